// One persisted-setting write (open the key, write, close with flush), and the
// registry calls it makes, against
// the floor under it: a bare QSaveFile commit of a file of the same size on
// the same disk. The two are measured in turns, so that a change in what else
// the machine does hits both alike.
//
//   registry_bench [ROUNDS] [FOLDER]   (defaults: 300, a temporary folder)

#include "components/storage/Setting.h"
#include "platform/registry/Registry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char keyPath[] = "Software\\Marrowlight Software\\Tumblerset";

struct Figures
{
    double median = 0;
    double mean = 0;
};

Figures figures(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    Figures f;
    f.median = samples[samples.size() / 2];
    for (double s : samples)
        f.mean += s;
    f.mean /= static_cast<double>(samples.size());
    return f;
}

QByteArray serverName(int round)
{
    return "server-" + QByteArray::number(round % 10);
}

bool regWrite(int round)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const QByteArray value = serverName(round);
    RegSetValueExA(key, "Server", 0, REG_SZ, reinterpret_cast<const BYTE *>(value.constData()),
                   static_cast<DWORD>(value.size() + 1));
    RegFlushKey(key);
    return RegCloseKey(key) == ERROR_SUCCESS;
}

// What the main window does when "Connect" is pressed.
bool settingWrite(TJSetting &setting, int round)
{
    setting.SetValue(serverName(round).toStdString());
    return !setting.Storage()->IsOpen();
}

bool bareCommit(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.commit();
}

double timeMs(const std::function<bool()> &work)
{
    QElapsedTimer timer;
    timer.start();
    if (!work()) {
        std::fprintf(stderr, "a write failed\n");
        std::exit(1);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    registry::setStoreFolder(folder);

    // The hive as the tool leaves it, and a plain file of the same size.
    regWrite(0);
    QFile hive(registry::hiveFilePath(HKEY_CURRENT_USER));
    if (!hive.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray sameSize(hive.size(), 'x');
    const QString plainPath = folder + QStringLiteral("/plain.txt");

    TJSetting setting(nullptr);
    setting.Storage()->SetKey(keyPath);
    setting.SetKeyName("Server");

    std::vector<double> reg;
    std::vector<double> bare;
    std::vector<double> tjSetting;
    for (int round = 1; round <= rounds; ++round) {
        tjSetting.push_back(timeMs([&] { return settingWrite(setting, round); }));
        bare.push_back(timeMs([&] { return bareCommit(plainPath, sameSize); }));
        reg.push_back(timeMs([&] { return regWrite(round); }));
    }
    const Figures r = figures(reg);
    const Figures b = figures(bare);
    const Figures t = figures(tjSetting);
    std::printf("file size: %lld bytes, %d rounds, folder %s\n",
                static_cast<long long>(hive.size()), rounds, qPrintable(folder));
    std::printf("bare QSaveFile commit:         median %.3f ms, mean %.3f ms\n", b.median, b.mean);
    std::printf("Reg* open, set, flush, close:  median %.3f ms, mean %.3f ms, ratio %.2f\n",
                r.median, r.mean, r.median / b.median);
    std::printf("TJSetting write (Value := ...): median %.3f ms, mean %.3f ms, ratio %.2f\n",
                t.median, t.mean, t.median / b.median);
    return 0;
}
