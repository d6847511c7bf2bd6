// The window's dealings with rights on Linux: it runs as the user who started
// it. Started from a menu or shell it offers administrator rights only when
// the backup root is there but closed to that user; running as root for a
// user, it opens web pages and folders in that user's session, never as root.
#pragma once

class DRUI;

namespace StartRights {

enum Outcome {
    RIGHTS_ENOUGH,      // the backup root is readable (or absent): nothing asked
    RIGHTS_DECLINED,    // asked; the user goes on with his own rights
    RIGHTS_RELAUNCHED,  // the privileged copy is starting: end this one
    RIGHTS_UNAVAILABLE  // asked, but pkexec is missing or failed: said so in the window
};

// Asks, when the backup root cannot be read, whether to start again through
// pkexec, and does so. Messages are placed over `window`.
Outcome OfferIfNeeded(DRUI* window);

// Running as root: web pages, folders and mail links go to xdg-open run as
// the invoking user (PKEXEC_UID, SUDO_UID), or are not opened at all.
void OpenLinksAsUser();

} // namespace StartRights
