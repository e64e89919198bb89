#include "discovery/discovery_windows.h"

#include "discovery/frm_add_cam.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_change_ip_address.h"
#include "discovery/frm_check_password.h"
#include "discovery/frm_login.h"
#include "discovery/frm_update_fw.h"
#include "discovery/frm_web.h"
#include "engine/frm_main.h"
#include "foundation/globals.h"
#include "foundation/helpers.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "platform/video_viewer/http_wis_viewer.h"
#include "platform/web_browser/embedded_browser.h"

#include <mutex>
#include <random>

namespace {

double ProductionRandom()
{
    // Seeded once from the system's entropy source: log-in texts differ from
    // run to run and cannot be predicted from an earlier run.
    static std::mutex mutex;
    static std::mt19937_64 engine{std::random_device{}()};
    static std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const std::lock_guard<std::mutex> lock(mutex);
    return uniform(engine);
}

DiscoveryControls ProductionDiscoveryControls()
{
    DiscoveryControls c;
    c.imageServer = [] { return CreateImageServer(); };
    // The hidden viewer only computes authentication strings; it never connects.
    c.viewer = [] { return CreateWisViewer(); };
    c.random = &ProductionRandom;
    return c;
}

DiscoveryControls& Controls()
{
    static DiscoveryControls controls = ProductionDiscoveryControls();
    return controls;
}

}  // namespace

const DiscoveryControls& discoveryControls() { return Controls(); }

void SetDiscoveryControls(DiscoveryControls controls)
{
    DiscoveryControls production = ProductionDiscoveryControls();
    if (!controls.imageServer)
        controls.imageServer = production.imageServer;
    if (!controls.viewer)
        controls.viewer = production.viewer;
    if (!controls.random)
        controls.random = production.random;
    Controls() = std::move(controls);
}

std::unique_ptr<ImageServer> SlotCameraAt(int slot, const QString& address)
{
    const auto& make = discoveryControls().imageServer;
    std::unique_ptr<ImageServer> server = make ? make() : nullptr;
    if (!server)
        return nullptr;
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    server->setIPAddress(address);
    server->setPort(cam.Port);
    server->setUserName(cam.UserName);
    server->setPassword(cam.Password);
    return server;
}

QString MakeLoginText() { return MakeNonce(discoveryControls().random); }

void PutViewerCredentials(ImageServer& server, WisViewer& viewer, const QString& user,
                          const QString& password)
{
    viewer.setUserName(user);
    viewer.setPassword(password);
    server.setUserName(URLEncode(viewer.authString()));
    gNonce = MakeLoginText();
    server.setPassword(gNonce);
}

void RegisterDiscoveryWindows(WindowRegistry& registry)
{
    registry.Register(kBrowseWindowName, [] { return new frmBrowse; });
    registry.Register(kAddCamWindowName, [] { return new frmAddCam; });
    registry.Register(kLoginWindowName, [] { return new frmLogin; });
    registry.Register(kChangeIPAddressWindowName, [] { return new frmChangeIPAddress; });
    registry.Register(kCheckPasswordWindowName, [] { return new frmCheckPassword; });
    RegisterFirmwareWindows(registry);
    // The web page needs a browser; a build without one does not offer it.
    if (EmbeddedBrowserAvailable())
        registry.Register(kWebWindowName, [] { return new frmWeb; });
}
