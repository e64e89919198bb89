#include "platform/image_server/admin_account.h"
#include "platform/image_server/camera_codes.h"

#include "platform/image_server/image_server.h"

AdminPair ReadAdminPair(ImageServer& server)
{
    AdminPair pair;
    pair.id = server.getConfigItem(kConfigAdminId);
    pair.password = server.getConfigItem(kConfigAdminPassword);
    if (!pair.id.isEmpty() || !pair.password.isEmpty())
        pair.state = AdminAccount::Readable;
    else if (server.adminState() == ImageServer::kAdminNone)
        pair.state = AdminAccount::None;
    else
        pair.state = AdminAccount::Unreadable;
    return pair;
}
