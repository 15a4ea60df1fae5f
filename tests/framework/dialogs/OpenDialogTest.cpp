#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs Answer on the file dialog once it is up, as the user would answer it.
void whenTheDialogShows(std::function<void(QFileDialog &)> Answer)
{
    QTimer::singleShot(0, [Answer = std::move(Answer)] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Answer(*dialog);
    });
}

class OpenDialog : public ::testing::Test
{
protected:
    OpenDialog()
    {
        QFile file(dir.file("notes.txt"));
        file.open(QIODevice::WriteOnly);
    }

    TempDir dir;
    TOpenDialog dialog{nullptr};
};

} // namespace

TEST_F(OpenDialog, AChosenFileBecomesFileName)
{
    dialog.SetInitialDir(dir.pathUtf8());
    dialog.SetTitle("Pick one");
    dialog.SetFilter("Text files (*.txt)|*.txt;*.text|All files|*");
    QStringList filters;
    QString title;
    whenTheDialogShows([&](QFileDialog &d) {
        filters = d.nameFilters();
        title = d.windowTitle();
        d.selectFile(dir.file("notes.txt"));
        static_cast<QDialog &>(d).accept(); // QFileDialog hides it
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), dir.file("notes.txt").toStdString());
    EXPECT_EQ(title, "Pick one");
    EXPECT_EQ(filters, (QStringList{"Text files (*.txt) (*.txt *.text)", "All files (*)"}));
}

TEST_F(OpenDialog, CancellingKeepsTheFileNameItHad)
{
    dialog.SetFileName("/earlier/choice.txt");
    whenTheDialogShows([](QFileDialog &d) { d.reject(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "/earlier/choice.txt");
}
