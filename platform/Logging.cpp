#include "platform/Logging.h"

#include <QByteArray>
#include <QString>

Q_LOGGING_CATEGORY(lcRegistry, "marrowlight.registry")
Q_LOGGING_CATEGORY(lcFiles, "marrowlight.files")
Q_LOGGING_CATEGORY(lcNetApi, "marrowlight.netapi")
Q_LOGGING_CATEGORY(lcFramework, "marrowlight.framework")

namespace logging {

void usePlainMessages(const char *program)
{
    qSetMessagePattern(QString::fromUtf8(QByteArray(program) + ": %{message}"));
}

} // namespace logging
