#include "platform/image_server/admin_account.h"

#include "platform/image_server/image_server.h"

AdminPair ReadAdminPair(ImageServer& server)
{
    AdminPair pair;
    pair.id = server.getConfigItem(40);
    pair.password = server.getConfigItem(41);
    if (!pair.id.isEmpty() || !pair.password.isEmpty())
        pair.state = AdminAccount::Readable;
    else if (server.adminState() == ImageServer::kAdminNone)
        pair.state = AdminAccount::None;
    else
        pair.state = AdminAccount::Unreadable;
    return pair;
}
