#include "app/LogonDialog.h"

#include "app/Session.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/text/Printable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

bool AskForLogonAndApply(const std::string &server)
{
    if (!AcceptsCredentials())
        return false;
    KeepSecretsOutOfCoreDumps();

    // The name as the server list gave it: shown, never interpreted.
    const QString shownServer = QString::fromStdString(text::printable(server));
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Log on to %1").arg(shownServer));
    auto *layout = new QVBoxLayout(&dialog);
    // A ticket that cannot be used says why, and what name would do.
    const std::string advice = LogonAdvice(server);
    const QString why = advice.empty() ? QStringLiteral("%1 refused the logon.").arg(shownServer)
                                       : QString::fromStdString(text::printable(advice));
    auto *explanation =
        new QLabel(QStringLiteral("%1 Enter a user name and password it accepts.\n"
                                  "They are kept in memory until Tumblerset closes.")
                       .arg(why),
                   &dialog);
    explanation->setTextFormat(Qt::PlainText);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    auto *form = new QFormLayout;
    auto *user = new QLineEdit(&dialog);
    user->setPlaceholderText(QStringLiteral("DOMAIN\\user"));
    auto *password = new QLineEdit(&dialog);
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&User name:"), user);
    form->addRow(QStringLiteral("&Password:"), password);
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted || user->text().trimmed().isEmpty())
        return false;
    {
        const netapi::Credentials credentials{user->text().trimmed().toStdString(),
                                              password->text().toStdString()};
        ApplyCredentials(credentials);
    }
    // Clear the copy the widget holds as soon as it has been handed on.
    password->clear();
    return true;
}
