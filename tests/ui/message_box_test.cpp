#include "test_support.h"
#include "ui/message_box.h"
#include "ui/picture_dialogs.h"
#include "ui/qt_services.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

// Qt services whose translation marks each phrase, or looks it up in a small dictionary.
class tTestServices : public tQtServices {
public:
    tTestServices() { SetApp(this); }
    ~tTestServices() override { SetApp(nullptr); }
    QHash<QString, QString> dictionary;
    QString Translate(const QString& text) override { return dictionary.value(text, "<" + text + ">"); }
};

void PressKey(QWidget& target, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&target, &press);
}

QStringList Captions(const TMessageBox& box) {
    QStringList captions;
    for (QPushButton* button : box.VisibleButtons())
        captions << button->text();
    return captions;
}

// The result of a shown box after act.
template <typename Act>
int ResultAfter(int flags, Act act) {
    TMessageBox box("text", "title", flags);
    box.show();
    act(box);
    EXPECT_FALSE(box.isVisible());
    return box.result();
}

TEST(MessageBox, ButtonsAndResultsForEveryButtonSet) {
    struct {
        int flags;
        QStringList captions;
        std::vector<int> buttonResults; // left to right
        int escape, enter;
    } cases[] = {
        {0 | 64, {"OK"}, {1}, 1, 1},
        {1 | 32, {"OK", "Cancel"}, {1, 2}, 2, 1},
        {2 | 16, {"Abort", "Retry", "Ignore"}, {3, 4, 5}, 3, 4},
        {3 | 48, {"Yes", "No", "Cancel"}, {6, 7, 2}, 2, 6},
        {4 | 32, {"Yes", "No"}, {6, 7}, 7, 6},
        {5 | 48, {"Retry", "Cancel"}, {4, 2}, 2, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(Captions(TMessageBox("text", "title", c.flags)), c.captions);
        EXPECT_EQ(ResultAfter(c.flags, [](QWidget& box) { PressKey(box, Qt::Key_Escape); }), c.escape);
        EXPECT_EQ(ResultAfter(c.flags, [](QWidget& box) { box.close(); }), c.escape);
        EXPECT_EQ(ResultAfter(c.flags, [](QWidget& box) { PressKey(box, Qt::Key_Return); }), c.enter);
        EXPECT_EQ(ResultAfter(c.flags, [](QWidget& box) { PressKey(box, Qt::Key_Enter); }), c.enter);
        for (size_t i = 0; i < c.buttonResults.size(); ++i)
            EXPECT_EQ(
                ResultAfter(c.flags, [i](TMessageBox& box) { box.VisibleButtons()[qsizetype(i)]->click(); }),
                c.buttonResults[i]);
    }
}

TEST(MessageBox, LetterKeysPressTheVisibleButtonWhoseTranslatedCaptionStartsWithThem) {
    EXPECT_EQ(ResultAfter(mb::YesNoCancel, [](QWidget& box) { PressKey(box, Qt::Key_N, "N"); }), mb::IdNo);
    EXPECT_EQ(ResultAfter(mb::AbortRetryIgnore, [](QWidget& box) { PressKey(box, Qt::Key_I, "i"); }),
              mb::IdIgnore);
    EXPECT_EQ(
        ResultAfter(mb::YesNoCancel, [](QWidget& box) { PressKey(box, Qt::Key_C, "", Qt::AltModifier); }),
        mb::IdCancel);

    tTestServices german;
    german.dictionary = {{"Yes", "Ja"}, {"No", "Nein"}, {"Cancel", "Abbrechen"}};
    TMessageBox box("Speichern?", "Lyrimo", mb::YesNoCancel | mb::IconQuestion);
    EXPECT_EQ(Captions(box), QStringList({"Ja", "Nein", "Abbrechen"}));
    box.show();
    PressKey(box, Qt::Key_Y, "y");
    EXPECT_TRUE(box.isVisible());
    PressKey(box, Qt::Key_J, "j");
    EXPECT_EQ(box.result(), mb::IdYes);
}

TEST(MessageBox, TitleIsCaptionAndHeadingAndDraggingTheHeadingMovesTheBox) {
    TMessageBox box("The file could not be read.", "Load Error", mb::Ok | mb::IconWarning);
    EXPECT_EQ(box.windowTitle(), "Load Error");
    EXPECT_EQ(box.HeadingText(), "Load Error");
    box.show();
    box.move(100, 100);
    QLabel* heading = box.findChildren<QLabel*>().first();
    ASSERT_EQ(heading->text(), "Load Error");
    for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, QPointF(5, 5)},
                            {QEvent::MouseMove, {35, 25}},
                            {QEvent::MouseButtonRelease, {35, 25}}}) {
        QMouseEvent event(type, at, heading->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(heading, &event);
    }
    EXPECT_EQ(box.pos(), QPoint(130, 120));
}

TEST(ProgressWindow, TextsBarStepsOf256BytesAndNoneWhenQuiet) {
    tTestServices services;
    services.status.Quiet = true;
    services.Progress(tProgressKind::LoadEmbedded, 0, 1000000, {});
    EXPECT_EQ(services.ProgressWindow(tProgressKind::LoadEmbedded), nullptr);
    services.status.Quiet = false;
    services.Progress(tProgressKind::LoadEmbedded, 512000, 1000000, {});
    TProgressWnd* load = services.ProgressWindow(tProgressKind::LoadEmbedded);
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->Text(), "<Loading embedded object from .LYM file>, <please wait>...");
    EXPECT_EQ(load->Maximum(), 3906);
    EXPECT_EQ(load->Position(), 2000);
    load->close();
    EXPECT_TRUE(load->isVisible());

    services.Progress(tProgressKind::SaveEmbedded, 100, 200, "/home/me/song.lym");
    TProgressWnd* save = services.ProgressWindow(tProgressKind::SaveEmbedded);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->Text(), "<Saving embedded object in .LYM file>, <please wait>...");
    EXPECT_EQ(save->FileNameLabel() + save->FileName(), "<Filename>:/home/me/song.lym");
    EXPECT_EQ(save->Maximum(), 100); // under 256 bytes the bar keeps its maximum
    services.ProgressFinished(tProgressKind::LoadEmbedded);
    EXPECT_EQ(services.ProgressWindow(tProgressKind::LoadEmbedded), nullptr);
}

TEST(PictureDialogs, FiltersAndTheStartingFolder) {
    EXPECT_EQ(QtNameFilters("All Supported Graphics Formats|*.bmp;*.gif|All Files (*.*)|*.*"),
              QStringList({"All Supported Graphics Formats (*.bmp *.gif)", "All Files (*.*)"}));
    tTestServices services;
    EXPECT_EQ(PictureFileFilter(),
              "<All Supported Graphics Formats>|*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.ico|<All Files> (*.*)|*.*");
    EXPECT_EQ(AnimationFileFilter(), "<All Supported Animation Formats>|*.gif|All Files (*.*)|*.*");

    const QString folder = test::ScratchFolder() + "/pictures";
    ASSERT_TRUE(QDir().mkpath(folder) && test::WriteFile(folder + "/back.png", "png"));
    QFileDialog picture;
    PreparePictureDialog(picture, tPictureDialogKind::Picture, "Background", folder + "/back.png");
    EXPECT_EQ(picture.windowTitle(), "Background (GIF <images not shown in preview>)");
    EXPECT_EQ(QDir(picture.directory()).canonicalPath(), QDir(folder).canonicalPath());
}

} // namespace
} // namespace lyrimo
