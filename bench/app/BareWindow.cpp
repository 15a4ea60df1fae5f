// The yardstick for the main window's start-up: a plain Qt window built in
// code with the same kinds of widgets at the same places and sizes, shown the
// same way, ending once it has been painted. Started by bench_app_startup.

#include "bench/app/FirstPaint.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

template <class W> W *place(QWidget *parent, int left, int top, int width, int height)
{
    auto *widget = new W(parent);
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPixmap keyPicture(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setBrush(QColor(0xE0, 0xA0, 0x20));
    painter.drawRect(0, 0, size - 1, size - 1);
    return picture;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 mainNs = monotonicNs();
    QApplication application(argc, argv);
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(keyPicture(size));
    QApplication::setWindowIcon(icon);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Tumblerset"));
    window.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    window.setFixedSize(385, 345);
    window.move(361, 241);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    window.setFont(font);

    place<QLabel>(&window, 12, 12, 34, 13)->setText(QStringLiteral("Server:"));
    place<QLabel>(&window, 4, 312, 32, 32)->setPixmap(keyPicture(32));
    auto *link = place<QLabel>(&window, 60, 320, 225, 17);
    link->setText(QStringLiteral("Visit the Marrowlight homepage"));
    link->setAlignment(Qt::AlignCenter);
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(QStringLiteral("www.marrowlight.example"));
    QFont linkFont(QStringLiteral("Arial"));
    linkFont.setPixelSize(11);
    linkFont.setUnderline(true);
    link->setFont(linkFont);
    link->setStyleSheet(QStringLiteral("color: blue"));
    auto *server = place<QLineEdit>(&window, 56, 8, 153, 21);
    server->setToolTip(QStringLiteral("Type the name of the domain server here. \\nLeave blank to "
                                      "get the list of local users"));
    auto *reset = place<QPushButton>(&window, 148, 200, 89, 25);
    reset->setText(QStringLiteral("Reset lockout"));
    reset->setEnabled(false);
    auto *memo = place<QPlainTextEdit>(&window, 8, 232, 369, 77);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    place<QPushButton>(&window, 216, 8, 61, 25)->setText(QStringLiteral("Connect"));
    place<QCheckBox>(&window, 284, 12, 97, 17)->setText(QStringLiteral("Show all users"));
    auto *list = place<QTreeWidget>(&window, 8, 40, 369, 153);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("Logon"), QStringLiteral("Full name")});
    list->header()->resizeSection(0, 140);
    list->header()->resizeSection(1, 200);
    list->header()->setSectionsClickable(true);
    list->setIconSize(QSize(32, 16));
    place<QPushButton>(&window, 304, 316, 75, 25)->setText(QStringLiteral("Close"));

    FirstPaint firstPaint(&window, mainNs);
    window.show();
    QApplication::exec();
    return firstPaint.painted() ? 0 : 1;
}
