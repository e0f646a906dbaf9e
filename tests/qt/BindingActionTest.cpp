// Modal windows return their answer; in-place editors stay over their cell
// when the view scrolls; a failing handler stops at the window. (Real
// widgets firing the window's handlers: the script driver's desktop run.)
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "QtTestApp.h"
#include "TestWindow.h"
#include "db/DbError.h"
#include "qt/Twips.h"
#include "ui/controls/KeyCodes.h"
#include "ui/frmMsg.h"

namespace fo::test {
namespace {

class BindingAction : public QtTest {
protected:
    // Where the editor widget stands, in the coordinates of the view's viewport.
    static QRect inViewport(QWidget* editor, QAbstractItemView* view) {
        return QRect(view->viewport()->mapFromGlobal(editor->mapToGlobal(QPoint(0, 0))), editor->size());
    }
};

TEST_F(BindingAction, ModalWindowAndMessageBoxReturnTheirAnswers) {
    // The yes/no box runs its own loop; a click on its "是" ends it.
    QTimer::singleShot(0, [] {
        auto* dialog = dynamic_cast<qt::FormView*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("警告"));
        auto* yes = dialog->findChild<QPushButton*>(QStringLiteral("cmdOk"));
        ASSERT_NE(yes, nullptr);
        yes->click();
    });
    EXPECT_EQ(frmMsg::ask("警告", "确定要作废吗？"), 1);

    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
        EXPECT_EQ(box->text(), QStringLiteral("继续吗？"));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(msgBox("继续吗？", MsgButtons::YesNo, MsgIcon::Question, "提示"), MsgAnswer::No);
}

TEST_F(BindingAction, GridEditorStaysOverItsCellWhenTheGridScrolls) {
    TestWindow w;
    w.grid.setRows(101);
    w.grid.setCols(4);
    for (int r = 1; r < 101; ++r) w.grid.setTextMatrix(r, 1, std::to_string(r));
    show(w);
    auto* view = widget<QTableView>(w, w.grid);
    auto* editor = widget<QWidget>(w, w.Txt_write);
    w.editCell(45, 2);
    // The clerk scrolls: the grid's TopRow follows, its Scroll handler moves the editor.
    view->verticalScrollBar()->setValue(40);
    EXPECT_EQ(w.grid.topRow(), 41);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));
    EXPECT_TRUE(editor->isVisible());
    view->verticalScrollBar()->setValue(38);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));
    // Code scrolls the grid: the view follows.
    w.grid.setTopRow(44);
    EXPECT_EQ(view->verticalScrollBar()->value(), 43);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(44, 2)));
}

TEST_F(BindingAction, ListEditorStaysOverItsCellWhenTheListScrolls) {
    TestWindow w;
    w.lvw.addColumn("k项目", "项目", 2000);
    w.lvw.addColumn("k金额", "金额", 1500);
    for (int i = 1; i <= 300; ++i) w.lvw.addItem("k" + std::to_string(i), "项目" + std::to_string(i));
    show(w);
    auto* view = widget<QTreeView>(w, w.lvw);
    auto* editor = widget<QWidget>(w, w.txtWrite);
    view->scrollTo(view->model()->index(150, 0), QAbstractItemView::PositionAtTop);
    QCoreApplication::processEvents();
    w.editListCell(152, 2);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(151, 1)));
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() - 1);
    EXPECT_EQ(inViewport(editor, view), view->visualRect(view->model()->index(151, 1)));
}

// The lookup of a student while another program holds the write lock: the
// handler fails after its wait. The clerk reads why, the window stays, and
// closing it afterwards closes it.
TEST_F(BindingAction, AFailingHandlerStopsAtTheWindowWhichStaysAndClosesCleanly) {
    TestWindow w;
    const DbError busy(DbErrorKind::Busy, 5, dbtext::Busy, "database is locked");
    w.cmdGo.Click = [&] {
        gMOpen();
        throw busy;
    };
    w.txtName.KeyPress = [&](int& k) {
        if (k == key::Enter) throw std::logic_error("internal");
    };
    std::vector<QString> messages;
    bool pointerRestored = false, stayed = false;
    auto answerTheBox = [&] {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            messages.push_back(box->text());
            pointerRestored = QApplication::overrideCursor() == nullptr ||
                              QApplication::overrideCursor()->shape() != Qt::WaitCursor;
            box->button(QMessageBox::Ok)->click();
        });
    };
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<qt::FormView*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answerTheBox();
        dialog->findChild<QPushButton*>(QStringLiteral("cmdGo"))->click();
        answerTheBox();
        QTest::keyClick(dialog->findChild<QLineEdit*>(QStringLiteral("txtName")), Qt::Key_Return);
        stayed = dialog->isVisible() && w.isLoaded();
        dialog->close();
    });
    w.showModal();
    EXPECT_TRUE(stayed);
    EXPECT_FALSE(w.isLoaded());
    EXPECT_TRUE(pointerRestored);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8(dbtext::Busy))) << messages[0].toStdString();
    // An internal fault is not shown in the program's own English.
    EXPECT_FALSE(messages[1].contains(QStringLiteral("internal"))) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains(QStringLiteral("操作没有完成"))) << messages[1].toStdString();
}

TEST_F(BindingAction, WaitCursorIsTheApplicationsOverrideCursor) {
    gMOpen();
    gMOpen();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    gMclose();  // one close restores the pointer, however many opens came before
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    gMclose();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace fo::test
