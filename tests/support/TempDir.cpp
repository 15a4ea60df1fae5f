#include "tests/support/TempDir.h"

TempDir::TempDir() : m_dir(QDir::tempPath() + "/tumblerset-test-XXXXXX") {}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(TUMBLERSET_SOURCE_DIR "/") + relative;
}
