#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder that lives as long as the test; its path as UTF-8.
class TempDir
{
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    std::string pathUtf8() const { return m_dir.path().toStdString(); }

private:
    QTemporaryDir m_dir;
};

// The path of a file under the source tree, for fixtures.
QString sourcePath(const QString &relative);
