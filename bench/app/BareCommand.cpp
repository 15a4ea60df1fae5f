// The yardstick for the command line's start: a program linked to Qt's core
// only that makes its core application, writes one line and ends. Started by
// bench_app_command_start.

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    std::puts("0 users found.");
    return 0;
}
