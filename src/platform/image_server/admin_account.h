// What a camera says about its administrator account, read the way every
// dialog that asks for it needs it: configuration items 40 and 41 are empty
// both when the camera has no administrator and when the credentials in use
// may not read them; the administrator state tells the two apart.
#pragma once

#include <QString>

class ImageServer;

enum class AdminAccount {
    None,        // the camera has no administrator account: nothing to ask
    Readable,    // id and password hold the camera's administrator pair
    Unreadable,  // an account is set (or the camera did not say): check a typed pair on the camera
};

struct AdminPair {
    AdminAccount state = AdminAccount::Unreadable;
    QString id;
    QString password;
};

// Reads items 40 and 41 on `server` (as it is set up now) and, when both are
// empty, asks the camera's administrator state by its MAC address.
AdminPair ReadAdminPair(ImageServer& server);
