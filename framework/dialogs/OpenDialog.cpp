#include "framework/Dialogs.h"
#include "framework/TypInfo.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

const TClassInfo &TOpenDialog::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TOpenDialog>("TOpenDialog", &TComponent::StaticClassInfo())
            .Component()
            .Text("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName)
            .Text("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
            .Text("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir)
            .Text("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle)
            .Build();
    return info;
}

TOpenDialog::TOpenDialog(TComponent *AOwner) : TComponent(AOwner) {}

TOpenDialog::~TOpenDialog() = default;

namespace {

// "Text files (*.txt)|*.txt|All|*" becomes Qt's "Text files (*.txt)
// (*.txt);;All (*)": the description, then the patterns in brackets.
QStringList qtFilters(const String &filter)
{
    QStringList filters;
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1]
                                     .split(QLatin1Char(';'), Qt::SkipEmptyParts)
                                     .join(QLatin1Char(' '))
                                     .trimmed();
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.isEmpty() ? "*" : patterns);
    }
    return filters;
}

} // namespace

bool TOpenDialog::Execute()
{
    QFileDialog dialog(QApplication::activeWindow(),
                       FTitle.empty() ? QStringLiteral("Open") : QString::fromStdString(FTitle));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = qtFilters(FFilter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!FInitialDir.empty())
        dialog.setDirectory(QString::fromStdString(FInitialDir));
    if (!FFileName.empty())
        dialog.selectFile(QString::fromStdString(FFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FFileName = dialog.selectedFiles().constFirst().toStdString();
    return true;
}
