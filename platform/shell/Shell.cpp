#include "platform/shell/Shell.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstring>

HINSTANCE ShellExecuteA(HWND, const char *operation, const char *file, const char *, const char *,
                        int)
{
    if (operation && *operation && std::strcmp(operation, "open") != 0)
        return SE_ERR_NOASSOC;
    if (!file || !*file)
        return ERROR_FILE_NOT_FOUND_SHELL;
    // An address goes to the desktop as it is; anything else is taken as the
    // user would type it into a browser (a host name becomes http://host).
    const QUrl url = QUrl::fromUserInput(QString::fromUtf8(file));
    if (!url.isValid())
        return ERROR_FILE_NOT_FOUND_SHELL;
    return QDesktopServices::openUrl(url) ? SHELL_OPEN_OK : SE_ERR_NOASSOC;
}
