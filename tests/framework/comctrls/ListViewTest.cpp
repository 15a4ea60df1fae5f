#include "framework/ComCtrls.h"
#include "framework/Streaming.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

struct SelectEvent
{
    String caption;
    bool selected;
    bool operator==(const SelectEvent &) const = default;
};

std::ostream &operator<<(std::ostream &out, const SelectEvent &e)
{
    return out << e.caption << (e.selected ? "+" : "-");
}

// The sort state a window keeps and passes to its comparison by address.
struct SortState
{
    int Column = 0;
    bool Descending = false;
};

int CompareUsers(TListItem *Item1, TListItem *Item2, std::intptr_t Data)
{
    const auto *state = reinterpret_cast<const SortState *>(Data);
    if (state->Descending)
        std::swap(Item1, Item2);
    const auto key = [&](TListItem *item) -> String {
        if (state->Column == 0)
            return item->Caption();
        return item->SubItems()->Count() > 0 ? item->SubItems()->Get(0) : String();
    };
    return key(Item1).compare(key(Item2));
}

class ListViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list->SetViewStyle(vsReport);
        TListColumn *logon = list->Columns()->Add();
        logon->SetCaption("Logon");
        logon->SetWidth(140);
        TListColumn *name = list->Columns()->Add();
        name->SetCaption("Full name");
        name->SetWidth(200);
        list->SetBounds(0, 0, 369, 153);
        list->SetOnSelectItem(TLVSelectItemEvent([this](TObject *, TListItem *item, bool on) {
            events.push_back({item ? item->Caption() : "(null)", on});
        }));
        view()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view()));
    }

    QTreeView *view() { return static_cast<QTreeView *>(list->Widget()); }

    // Rows added in one update block are on screen when it ends.
    void addRows(std::initializer_list<std::pair<String, String>> rows)
    {
        list->Items()->BeginUpdate();
        for (const auto &[caption, fullName] : rows) {
            TListItem *item = list->Items()->Add();
            item->SetCaption(caption);
            item->SubItems()->Add(fullName);
        }
        list->Items()->EndUpdate();
    }

    QString shown(int row, int column) const
    {
        QAbstractItemModel *model = const_cast<ListViewTest *>(this)->view()->model();
        return model->index(row, column).data().toString();
    }

    QPoint rowCenter(int row)
    {
        return view()->visualRect(view()->model()->index(row, 0)).center();
    }

    // The caption editor now open, if any (closed ones linger until deleted).
    QLineEdit *openEditor()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return view()->findChild<QLineEdit *>();
    }

    std::vector<String> captions() const
    {
        std::vector<String> result;
        for (int i = 0; i < list->Items()->Count(); ++i)
            result.push_back(list->Items()->Item(i)->Caption());
        return result;
    }

    std::unique_ptr<TListView> list = std::make_unique<TListView>(nullptr);
    std::vector<SelectEvent> events;
};

TEST_F(ListViewTest, RowsShowCaptionAndSubItemInTheirColumns)
{
    addRows({{"alice", "Alice Adams"}, {"bob", ""}});
    TListItem *third = list->Items()->Add();
    EXPECT_EQ(third->ImageIndex(), 0);
    EXPECT_EQ(third->StateIndex(), -1);
    third->SetImageIndex(-1);
    third->SetStateIndex(1);
    third->SetCaption("carol");

    EXPECT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(third->Index(), 2);
    EXPECT_EQ(list->Items()->IndexOf(third), 2);
    ASSERT_EQ(view()->model()->columnCount(), 2);
    EXPECT_EQ(view()->model()->headerData(0, Qt::Horizontal).toString(), "Logon");
    EXPECT_EQ(view()->model()->headerData(1, Qt::Horizontal).toString(), "Full name");
    EXPECT_EQ(view()->header()->sectionSize(0), 140);
    EXPECT_EQ(view()->header()->sectionSize(1), 200);
    EXPECT_EQ(shown(0, 0), "alice");
    EXPECT_EQ(shown(0, 1), "Alice Adams");
    EXPECT_EQ(shown(1, 1), "");

    // A row appended outside an update block appears within a frame.
    QTRY_COMPARE(view()->model()->rowCount(), 3);
    EXPECT_EQ(shown(2, 0), "carol");
    third->SubItems()->Add("Carol Clark");
    EXPECT_EQ(shown(2, 1), "Carol Clark");
    EXPECT_THROW(list->Items()->Item(3), EListError);
    EXPECT_THROW(list->Items()->Item(-1), EListError);
}

TEST_F(ListViewTest, ARowsHintIsItsTooltipAsPlainText)
{
    addRows({{"a", ""}});
    TListItem *item = list->Items()->Item(0);
    QAbstractItemModel *model = view()->model();
    EXPECT_FALSE(model->index(0, 1).data(Qt::ToolTipRole).isValid());
    item->SetHint("<b>x</b> & y\nline two");
    EXPECT_EQ(model->index(0, 1).data(Qt::ToolTipRole).toString(),
              "<pre>&lt;b&gt;x&lt;/b&gt; &amp; y\nline two</pre>");
}

TEST_F(ListViewTest, InsertDeleteAndClearKeepIndexesInStep)
{
    addRows({{"a", ""}, {"b", ""}, {"c", ""}});
    TListItem *first = list->Items()->Insert(0);
    first->SetCaption("z");
    EXPECT_EQ(captions(), (std::vector<String>{"z", "a", "b", "c"}));
    EXPECT_EQ(list->Items()->Item(3)->Index(), 3);

    list->Items()->Item(1)->Delete();
    EXPECT_EQ(captions(), (std::vector<String>{"z", "b", "c"}));
    EXPECT_EQ(list->Items()->Item(2)->Index(), 2);
    EXPECT_EQ(view()->model()->rowCount(), 3);
    EXPECT_EQ(shown(1, 0), "b");

    // A row deleted before its frame was never shown.
    list->Items()->Add()->SetCaption("pending");
    list->Items()->Delete(3);
    QTest::qWait(40);
    EXPECT_EQ(view()->model()->rowCount(), 3);

    list->Items()->Add();
    list->Items()->Clear();
    EXPECT_EQ(list->Items()->Count(), 0);
    QTest::qWait(40);
    EXPECT_EQ(view()->model()->rowCount(), 0);
}

TEST_F(ListViewTest, SelectionChangesFireOnSelectItemForLossAndGain)
{
    addRows({{"alice", ""}, {"bob", ""}, {"carol", ""}});
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->Selected(), nullptr);

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(1));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->Selected()->Caption(), "bob");
    EXPECT_TRUE(list->Items()->Item(1)->Selected());

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(2));
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_FALSE(list->Items()->Item(1)->Selected());

    // The same row again changes nothing and says nothing.
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(2));

    // Empty space below the rows drops the selection.
    const QPoint empty(20, view()->viewport()->height() - 4);
    ASSERT_FALSE(view()->indexAt(empty).isValid());
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->Selected(), nullptr);

    EXPECT_EQ(events, (std::vector<SelectEvent>{
                          {"bob", true}, {"bob", false}, {"carol", true}, {"carol", false}}));
}

TEST_F(ListViewTest, ItemIndexAndSelectedSelectOneRowInCode)
{
    addRows({{"alice", ""}, {"bob", ""}});
    list->SetItemIndex(0);
    list->Items()->Item(1)->SetSelected(true);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->SelCount(), 1);
    list->SetSelected(nullptr);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_THROW(list->SetItemIndex(2), EListError);
    EXPECT_EQ(events, (std::vector<SelectEvent>{
                          {"alice", true}, {"alice", false}, {"bob", true}, {"bob", false}}));

    // Clearing the list drops the selection without events; deleting the
    // selected row leaves nothing selected.
    list->SetItemIndex(0);
    list->Items()->Delete(0);
    EXPECT_EQ(list->ItemIndex(), -1);
    list->SetItemIndex(0);
    events.clear();
    list->Items()->Clear();
    EXPECT_EQ(list->Selected(), nullptr);
    EXPECT_TRUE(events.empty());
}

TEST_F(ListViewTest, CustomSortOrdersBothWaysKeepsEqualKeysAndTheSelection)
{
    addRows({{"dave", "Dave Dunn"}, {"alice", ""}, {"bob", "Bob Brown"}, {"carol", ""}});
    list->SetItemIndex(0); // dave
    events.clear();

    SortState state{1, false};
    EXPECT_TRUE(list->CustomSort(CompareUsers, reinterpret_cast<std::intptr_t>(&state)));
    EXPECT_EQ(captions(), (std::vector<String>{"alice", "carol", "bob", "dave"}));
    state.Descending = true;
    list->CustomSort(CompareUsers, reinterpret_cast<std::intptr_t>(&state));
    EXPECT_EQ(captions(), (std::vector<String>{"dave", "bob", "alice", "carol"}));
    state = {0, false};
    list->CustomSort(CompareUsers, reinterpret_cast<std::intptr_t>(&state));
    EXPECT_EQ(captions(), (std::vector<String>{"alice", "bob", "carol", "dave"}));

    // The view follows and the selected account stays selected, silently.
    EXPECT_EQ(shown(3, 0), "dave");
    EXPECT_EQ(shown(1, 1), "Bob Brown");
    EXPECT_EQ(list->Selected()->Caption(), "dave");
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(list->Items()->Item(3)->Index(), 3);
    EXPECT_TRUE(events.empty());

    list->AlphaSort();
    EXPECT_EQ(captions(), (std::vector<String>{"alice", "bob", "carol", "dave"}));
}

TEST_F(ListViewTest, AFailingComparisonLeavesEveryRowInPlace)
{
    addRows({{"b", ""}, {"a", ""}, {"c", ""}});
    const TLVCompare throwing = [](TListItem *, TListItem *, std::intptr_t) -> int {
        throw Exception("no order");
    };
    EXPECT_THROW(list->CustomSort(throwing, 0), Exception);
    EXPECT_EQ(captions(), (std::vector<String>{"b", "a", "c"}));
    EXPECT_EQ(shown(1, 0), "a");
}

TEST_F(ListViewTest, HeaderClickReportsTheColumn)
{
    std::vector<String> clicked;
    list->SetOnColumnClick(TLVColumnClickEvent([&](TObject *sender, TListColumn *column) {
        EXPECT_EQ(sender, list.get());
        clicked.push_back(column->Caption() + "@" + std::to_string(column->Index()));
    }));
    QHeaderView *header = view()->header();
    for (int section : {1, 0}) {
        const QPoint at(header->sectionViewportPosition(section) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(clicked, (std::vector<String>{"Full name@1", "Logon@0"}));

    list->SetColumnClick(false);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, header->height() / 2));
    EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(ListViewTest, F2EditsTheCaptionInPlace)
{
    addRows({{"alice", "Alice Adams"}, {"bob", ""}});
    std::vector<String> edited;
    list->SetOnEdited(TLVEditedEvent([&](TObject *, TListItem *item, String &text) {
        edited.push_back(item->Caption() + "->" + text);
        if (text == "shout")
            text = "SHOUT";
    }));
    // F2 edits the caption even when another cell of the row is current.
    view()->setCurrentIndex(view()->model()->index(1, 1));
    QTest::keyClick(view(), Qt::Key_F2);
    ASSERT_TRUE(list->IsEditing());
    auto *editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "bob");
    editor->selectAll();
    editor->insert(QString::fromUtf8("Jürgen"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits once its key is handled
    EXPECT_EQ(list->Items()->Item(1)->Caption(), "Jürgen");
    EXPECT_EQ(shown(1, 0), "Jürgen");

    // Double-click edits too; the handler may change the text.
    // (QTest's double-click lacks the press that comes first on screen.)
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(0));
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(0));
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("shout");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits once its key is handled
    EXPECT_EQ(list->Items()->Item(0)->Caption(), "SHOUT");
    EXPECT_EQ(edited, (std::vector<String>{"bob->Jürgen", "alice->shout"}));

    // A second, slow click on the selected row edits it as well.
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(1));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(1));
    QTRY_VERIFY(list->IsEditing());
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QString::fromUtf8("Jürgen"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(list->IsEditing());

    // Escape keeps the old caption.
    ASSERT_TRUE(list->Items()->Item(0)->EditCaption());
    editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("dropped");
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(list->Items()->Item(0)->Caption(), "SHOUT");
}

TEST_F(ListViewTest, ReadOnlyOrOnEditingRefusesEdits)
{
    addRows({{"alice", ""}});
    list->SetReadOnly(true);
    EXPECT_FALSE(list->Items()->Item(0)->EditCaption());
    EXPECT_FALSE(list->IsEditing());

    list->SetReadOnly(false);
    list->SetOnEditing(TLVEditingEvent([](TObject *, TListItem *, bool &allow) { allow = false; }));
    EXPECT_FALSE(list->Items()->Item(0)->EditCaption());
    EXPECT_EQ(openEditor(), nullptr);
}

// The x range of the pixels of one colour in a row of an image, or {-1, -1}.
std::pair<int, int> spanOf(const QImage &image, int y, QColor colour)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) == colour) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last};
}

TEST_F(ListViewTest, StateAndSmallImagesSitSideBySideBeforeTheCaption)
{
    // One list for both, as the main window has: 0 blue (small), 1 red (state).
    auto images = std::make_unique<TImageList>(nullptr);
    for (QColor colour : {QColor(Qt::blue), QColor(Qt::red)}) {
        QImage square(16, 16, QImage::Format_ARGB32);
        square.fill(colour);
        TBitmap bitmap;
        bitmap.SetImage(square);
        images->Add(&bitmap, nullptr);
    }
    list->SetSmallImages(images.get());
    list->SetStateImages(images.get());
    addRows({{"both", ""}, {"small only", ""}, {"neither", ""}});
    list->Items()->Item(0)->SetStateIndex(1);
    list->Items()->Item(0)->SetImageIndex(0);
    list->Items()->Item(1)->SetImageIndex(0);
    list->Items()->Item(2)->SetImageIndex(-1);

    const QImage shot = view()->viewport()->grab().toImage();
    const auto rowY = [&](int row) { return rowCenter(row).y(); };
    const auto stateSpan = spanOf(shot, rowY(0), Qt::red);
    const auto smallSpan = spanOf(shot, rowY(0), Qt::blue);
    ASSERT_GE(stateSpan.first, 0);
    EXPECT_EQ(stateSpan.second - stateSpan.first, 15);
    // The state image comes first and the small image right after it.
    EXPECT_EQ(smallSpan.first, stateSpan.second + 1);
    EXPECT_EQ(smallSpan.second - smallSpan.first, 15);
    // Without a state image its place stays empty and the small image keeps its x.
    EXPECT_EQ(spanOf(shot, rowY(1), Qt::red).first, -1);
    EXPECT_EQ(spanOf(shot, rowY(1), Qt::blue), smallSpan);
    EXPECT_EQ(spanOf(shot, rowY(2), Qt::blue).first, -1);

    // A changed image shows at once; a destroyed list leaves no image behind.
    QImage green(16, 16, QImage::Format_ARGB32);
    green.fill(Qt::green);
    TBitmap replacement;
    replacement.SetImage(green);
    images->Replace(0, &replacement, nullptr);
    EXPECT_EQ(spanOf(view()->viewport()->grab().toImage(), rowY(1), Qt::green), smallSpan);
    images.reset();
    EXPECT_EQ(list->SmallImages(), nullptr);
    EXPECT_EQ(list->StateImages(), nullptr);
    const QImage after = view()->viewport()->grab().toImage();
    EXPECT_EQ(spanOf(after, rowY(0), Qt::red).first, -1);
    EXPECT_EQ(spanOf(after, rowY(1), Qt::green).first, -1);
}

TEST_F(ListViewTest, OddTextsShowAsTheyAre)
{
    const String longText(10000, 'x');
    addRows({{"Jürgen Groß", "日本 語"},
             {"tab\there\r\nline", ""},
             {longText, ""},
             {"bad \xff\xfe bytes", ""}});
    EXPECT_EQ(shown(0, 0), QString::fromUtf8("Jürgen Groß"));
    EXPECT_EQ(shown(0, 1), QString::fromUtf8("日本 語"));
    EXPECT_EQ(shown(1, 0), "tab\there\r\nline");
    EXPECT_EQ(shown(2, 0).size(), 10000);
    // Invalid UTF-8 is shown with replacement characters; the item keeps its bytes.
    EXPECT_TRUE(shown(3, 0).contains(QChar::ReplacementCharacter));
    EXPECT_EQ(list->Items()->Item(3)->Caption(), "bad \xff\xfe bytes");
    view()->grab(); // paints every kind without trouble
}

TEST_F(ListViewTest, ALargeAppendWithPumpingStaysConsistent)
{
    constexpr int rows = 20000;
    int paints = 0;
    struct Counter : QObject
    {
        int *paints;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*paints;
            return false;
        }
    } counter;
    counter.paints = &paints;
    view()->viewport()->installEventFilter(&counter);

    for (int i = 0; i < rows; ++i) {
        TListItem *item = list->Items()->Add();
        item->SetCaption("user" + std::to_string(i));
        item->SubItems()->Add("Name " + std::to_string(i));
        if (i % 7 == 0)
            item->SetImageIndex(-1);
        QApplication::processEvents();
        if (i == rows / 2)
            QTest::qWait(40); // at least one frame passes while filling
    }
    QTRY_COMPARE(view()->model()->rowCount(), rows);
    view()->viewport()->removeEventFilter(&counter);
    EXPECT_GT(paints, 0);
    for (int row : {0, 1, 4999, 10000, rows - 1}) {
        EXPECT_EQ(list->Items()->Item(row)->Index(), row);
        EXPECT_EQ(shown(row, 0).toStdString(), "user" + std::to_string(row));
        EXPECT_EQ(shown(row, 1).toStdString(), "Name " + std::to_string(row));
    }
    list->Items()->Item(rows - 1)->SetSelected(true);
    EXPECT_EQ(list->ItemIndex(), rows - 1);
}

TEST(ListViewForm, ReadsAndWritesItsColumnsAndSettings)
{
    RegisterClasses<TListView>();
    const String text = "object lvUsers: TListView\n"
                        "  Columns = <\n"
                        "    item\n"
                        "      Caption = 'Logon'\n"
                        "      Width = 140\n"
                        "    end\n"
                        "    item\n"
                        "      Caption = 'Full name'\n"
                        "      Width = 200\n"
                        "    end>\n"
                        "  RowSelect = True\n"
                        "  ViewStyle = vsReport\n"
                        "end\n";
    std::unique_ptr<TComponent> read = ReadNewComponentFromText(text, "test");
    auto *list = dynamic_cast<TListView *>(read.get());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Columns()->Count(), 2);
    EXPECT_EQ(list->Columns()->Items(1)->Caption(), "Full name");
    EXPECT_EQ(list->Columns()->Items(1)->Width(), 200);
    EXPECT_EQ(list->ViewStyle(), vsReport);
    EXPECT_TRUE(list->RowSelect());
    EXPECT_FALSE(list->ReadOnly());
    EXPECT_TRUE(list->ColumnClick());
    auto *view = static_cast<QTreeView *>(list->Widget());
    EXPECT_EQ(view->header()->sectionSize(0), 140);
    EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), "Logon");

    const String written = WriteComponentToText(*list);
    EXPECT_NE(written.find("ViewStyle = vsReport"), String::npos) << written;
    EXPECT_NE(written.find("Caption = 'Full name'"), String::npos) << written;
    EXPECT_EQ(written.find("ReadOnly"), String::npos) << written;
}

TEST(ListViewForm, FindsItsImageListsByName)
{
    RegisterClasses<TListView, TImageList>();
    TComponent root(nullptr);
    ReadComponentFromText(root,
                          "object Root: TComponent\n"
                          "  object lvUsers: TListView\n"
                          "    SmallImages = ImageList1\n"
                          "    StateImages = ImageList1\n"
                          "    ViewStyle = vsReport\n"
                          "  end\n"
                          "  object ImageList1: TImageList\n"
                          "  end\n"
                          "end\n",
                          "test");
    auto *list = dynamic_cast<TListView *>(root.FindComponent("lvUsers"));
    auto *images = dynamic_cast<TImageList *>(root.FindComponent("ImageList1"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(list->SmallImages(), images);
    EXPECT_EQ(list->StateImages(), images);
    const String written = WriteComponentToText(root);
    EXPECT_NE(written.find("SmallImages = ImageList1"), String::npos) << written;
}

TEST_F(ListViewTest, AssigningRowsCopiesThemAndRefusesOtherLists)
{
    addRows({{"alice", "Alice Adams"}, {"bob", "Bob Brown"}});
    TListView other(nullptr);
    other.Items()->Add()->SetCaption("stale");
    other.Items()->Assign(list->Items());
    ASSERT_EQ(other.Items()->Count(), 2);
    EXPECT_EQ(other.Items()->Item(1)->Caption(), "bob");
    EXPECT_EQ(other.Items()->Item(1)->SubItems()->Get(0), "Bob Brown");

    list->Items()->Assign(list->Items()); // itself: nothing lost
    EXPECT_EQ(captions(), (std::vector<String>{"alice", "bob"}));
    EXPECT_THROW(list->Items()->Assign(list->Columns()), EConvertError);
    EXPECT_THROW(list->Columns()->Assign(list->Items()), EConvertError);
    EXPECT_EQ(captions(), (std::vector<String>{"alice", "bob"}));
}

} // namespace
