// Web requests and identity: a payload escaped and sent as part of a request
// path, a page opened in the browser, the logged-in user's name. The network
// and process work is the backend's; nothing here ever reaches a shell.

#include "KUVOCore.h"
#include "KUVO_glfw3.h"
#include "payload_escape.h"

// On a failed fetch the backend leaves the previous payload in place, and
// that is what the caller gets back.
std::string KUVOCore::GetURL(std::string host, std::string path, std::string payload) {
    ASys.URLData(host, path + zcommon::EscapePayload(payload));
    return ASys.WebResult;
}

int KUVOCore::OpenBrowser(std::string page) { return ASys.OpenBrowserSys(page); }

std::string KUVOCore::MyName() { return ASys.SystemUsername(); }
