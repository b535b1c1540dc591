// The list grid: the cell-drawing rule read back from pixels, and leaving the entry panel.
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "list/tform3.h"
#include "testdb.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using app::MessageDialog;

namespace {

struct GridTest : ::testing::Test
{
    static testenv::TestDb* db;
    static void SetUpTestSuite()
    {
        db = new testenv::TestDb(QStringLiteral("grid"));
        db->exec("insert into ledrana (id, por_cis, druh, ico, nazev, castka, zaplaceno) values "
                 "(1, 10, 'FP', '1', 'Placeno', 100, 100), (2, 11, 'FV', '2', 'Neplaceno', 200, 0), "
                 "(3, 12, 'FP', '3', 'S dokladem', 0.6, NULL)");
        db->exec("insert into dokladya (ico, typ, por_cis) values ('3', 1, 12)");
    }
    static void TearDownTestSuite() { delete db; }
    void SetUp() override
    {
        const QString dir = testenv::tmpDir() + "/grid";
        QDir().mkpath(dir);
        base::setProgramDirForTests(dir);
        db->writeSettingsFile(dir);
        MessageDialog::takeShown();
        form = std::make_unique<Tform3>();
        form->resize(996, 669);
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override { form->close(); }

    int column(const char* field) const
    {
        const auto& cols = form->listModel->columns();
        for (int i = 0; i < cols.size(); ++i)
            if (cols[i].field == QLatin1String(field))
                return i;
        return -1;
    }
    // The colours inside a cell, as drawn.
    QSet<QRgb> cellColours(const QImage& img, int row, const char* field) const
    {
        const QRect r = form->RxDBGrid1->visualRect(form->listModel->index(row, column(field)));
        QSet<QRgb> colours;
        for (int y = r.top() + 2; y < r.bottom() - 1; ++y)
            for (int x = r.left() + 2; x < r.right() - 1; ++x)
                colours.insert(img.pixel(x, y) & 0xFFFFFF);
        return colours;
    }
    std::unique_ptr<Tform3> form;
};
testenv::TestDb* GridTest::db = nullptr;

TEST_F(GridTest, CellDrawingRule)
{
    form->moveList(0); // the paid row is current, its name cell the current cell
    form->RxDBGrid1->selectionModel()->setCurrentIndex(form->listModel->index(0, column("NAZEV")),
                                                       QItemSelectionModel::NoUpdate);
    QApplication::processEvents();
    const QImage img = form->RxDBGrid1->viewport()->grab().toImage();
    // Paid mark: solid green, even in the current row; unpaid: solid red. No letter shows.
    EXPECT_EQ(cellColours(img, 0, "ZAPL"), QSet<QRgb>{0x008000});
    EXPECT_EQ(cellColours(img, 1, "ZAPL"), QSet<QRgb>{0xFF0000});
    EXPECT_EQ(cellColours(img, 2, "ZAPL"), QSet<QRgb>{0xFF0000});
    // Document mark: silver with a readable "D"; without a document the grid's background.
    const QSet<QRgb> doc = cellColours(img, 2, "typ");
    EXPECT_TRUE(doc.contains(0xC0C0C0));
    EXPECT_GT(doc.size(), 1);
    EXPECT_FALSE(cellColours(img, 1, "typ").contains(0xC0C0C0));
    // The current cell is yellow.
    EXPECT_TRUE(cellColours(img, 0, "NAZEV").contains(0xFFFF00));
    EXPECT_FALSE(cellColours(img, 1, "NAZEV").contains(0xFFFF00));
}

TEST_F(GridTest, LeavingTheEntryPanel)
{
    // Load a record into the entry query with unsaved changes.
    auto load = [&](const char* castka, const char* nazev) {
        form->setEntryMode();
        form->ZQuery2.setSql("select * from ledrana where id = 2");
        form->ZQuery2.open();
        form->ZQuery2.setValue("castka", QString::fromLatin1(castka));
        form->ZQuery2.setValue("nazev", QString::fromLatin1(nazev));
    };
    // Amount and name: asked; "zpět" keeps the changes and the panel.
    load("1200", "Nová firma");
    MessageDialog::queueAnswers({2});
    form->RxDBGrid1Enter();
    auto shown = MessageDialog::takeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QStringLiteral("Pozor - neuložené změny v záznamu"));
    EXPECT_EQ(shown[0].buttons, (QStringList{"ingorovat", "zpět"}));
    EXPECT_EQ(form->ZQuery2.state(), db::Dataset::State::Edit);
    EXPECT_TRUE(form->entryPanelVisible());
    EXPECT_FALSE(form->ColorButton1->isEnabled());
    // "ingorovat" drops them and turns to the list.
    MessageDialog::queueAnswers({1});
    form->RxDBGrid1Enter();
    EXPECT_EQ(MessageDialog::takeShown().size(), 1);
    EXPECT_EQ(form->ZQuery2.state(), db::Dataset::State::Browse);
    EXPECT_EQ(form->ZQuery2.asString("nazev"), QStringLiteral("Neplaceno"));
    EXPECT_FALSE(form->entryPanelVisible());
    EXPECT_TRUE(form->ColorButton1->isEnabled());
    // An amount that rounds to 0, or no name: dropped without a question.
    for (auto [castka, nazev] : {std::pair{"0.4", "Firma"}, std::pair{"500", ""}}) {
        load(castka, nazev);
        form->RxDBGrid1Enter();
        EXPECT_TRUE(MessageDialog::takeShown().isEmpty()) << castka;
        EXPECT_FALSE(form->entryPanelVisible());
    }
    EXPECT_EQ(db->scalar("select nazev from ledrana where id = 2").toString(), QStringLiteral("Neplaceno"));
    // With the entry query closed nothing changes.
    form->ZQuery2.close();
    form->setEntryMode();
    form->RxDBGrid1Enter();
    EXPECT_TRUE(form->entryPanelVisible());
}

TEST_F(GridTest, SharedAccessLetterPressesAButton)
{
    // "So&učet Kč" and "&Ukaž doklad" share Alt+U: the key presses one of them (the sum,
    // made first) instead of only moving the focus.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    MessageDialog::setAutoAnswer(true, 1);
    QTest::keyClick(form.get(), Qt::Key_U, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(form->LMDPanelFill1->isVisible());
    MessageDialog::setAutoAnswer(false);
}

} // namespace
