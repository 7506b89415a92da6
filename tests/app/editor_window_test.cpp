// The editor window under the offscreen platform: opening, editing in the
// table and in the field, filters, find and replace, undo, saving, the
// questions it asks and the compile into flash. Dialogs and message boxes
// go through a scripted stand-in.
#include "app/editor/editor_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/editor/language_names.h"
#include "app/editor/message_table_model.h"
#include "app/editor/pack_gauge.h"
#include "compile/pack_languages.h"
#include "decompile/decompile_command.h"
#include "spelling/spell_checker.h"
#include "tests/app/scripted_dialogs.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/test_frame.h"

using namespace tarvo;

namespace {

std::vector<std::uint8_t> ReadFile(const QString& path) {
  std::ifstream file(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool HasLine(const QString& path, const std::u16string& line) {
  const auto lines = test::LgpLines(ReadFile(path));
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Language 1 is the reference; language 2 is edited. Message 1 of the second
// language is untranslated, message 3 the same as the reference, message 4
// lacks the reference's conversion.
const std::vector<std::vector<std::vector<std::uint8_t>>> kStrings = {
    {{'O', 'p', 'e', 'n'},
     {'C', 'l', 'o', 's', 'e'},
     {'M', 'e', 'n', 'u'},
     {'O', 'K'},
     {'%', 'd', ' ', 'n', 'e', 'w'}},
    {{'A', 'u', 'k', 'i'}, {}, {'V', 'a', 'l', 'i', 'k', 'k', 'o'}, {'O', 'K'}, {'u', 'u', 'd', 'e', 't'}}};

}  // namespace

class EditorWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  Configuration config_;
  PivotRandom pivots_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<EditorWindow> window_;

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  template <typename T>
  T* Child(const char* name) const {
    T* child = window_->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no %s", name);
    return child;
  }
  MessageTableModel* Model() const {
    return static_cast<MessageTableModel*>(Child<QTableView>("MessageTable")->model());
  }
  QString Field() const { return Child<QPlainTextEdit>("TranslationEdit")->toPlainText(); }
  QString Label(const char* name) const { return Child<QLabel>(name)->text(); }
  void Trigger(const char* action) { Child<QAction>(action)->trigger(); }

  // flash.bin of the bare test type and pack.lgp decompiled from it.
  void MakeFiles() {
    test::PackPlan plan;
    plan.langIds = {1, 2};
    plan.strings = kStrings;
    plan.imageSize = 0x2000;
    WriteFile(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
    test::TestFrame frame;
    QCOMPARE(
        RunDecompile(frame, config_, Path("flash.bin").toStdString(), Path("pack.lgp").toStdString()).Outcome,
        CommandOutcome::Done);
  }
  void OpenAndWait(const QString& path) {
    window_->Open(path);
    QTRY_VERIFY(!window_->IsOpening());
  }
  void WaitForMeasure() { QTRY_VERIFY_WITH_TIMEOUT(!window_->IsMeasuring(), 30000); }
  std::u16string Text(std::int32_t message) const { return window_->CurrentDocument()->Text(1, message); }

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TarvoTest"));
    QVERIFY(dir_.isValid());
  }
  void init() {
    QSettings().clear();
    dialogs_ = {};
    config_ = {};
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nPHONETYPE ") + test::kBareType + "\n",
                          config_);
    MakeFiles();
    window_ = std::make_unique<EditorWindow>(config_, pivots_, dialogs_);
    window_->show();
  }
  void cleanup() {
    dialogs_.choices = {1};  // discard whatever a test left unsaved
    window_.reset();
  }

  void opensAFileWithEveryMessageAndItsFigures() {
    OpenAndWait(Path("pack.lgp"));
    QVERIFY(dialogs_.messages.empty());
    QCOMPARE(Model()->rowCount(), 5);
    QCOMPARE(Child<QComboBox>("EditLanguage")->count(), 2);
    QCOMPARE(Child<QComboBox>("EditLanguage")->currentIndex(), 1);
    QCOMPARE(Field(), QStringLiteral("Auki"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("pack.lgp[*] - Tarvo editor"));
    QVERIFY(!window_->isWindowModified());
    QCOMPARE(Label("Counts"), QStringLiteral("Translated 4 of 5 · 1 with problems · 0 changed"));
    WaitForMeasure();
    QVERIFY2(Label("Gauge").contains(QStringLiteral("Standard: ")) &&
                 Label("Gauge").contains(QStringLiteral("Compact: ")),
             qPrintable(Label("Gauge")));
    QVERIFY(Label("StringCost").startsWith(QStringLiteral("This string: ")));
    QVERIFY(!Label("StringCost").contains(QStringLiteral("measuring")));
    // Reopened from the recent files.
    QCOMPARE(QSettings().value(QStringLiteral("editor/recentFiles")).toStringList(),
             QStringList{QFileInfo(Path("pack.lgp")).absoluteFilePath()});
  }

  void theGaugeIsTheCompilesOwnFigureAndNeverAnOldOne() {
    OpenAndWait(Path("pack.lgp"));
    WaitForMeasure();
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje ikkuna nyt"));
    // The edit makes every figure old at once.
    QCOMPARE(Label("Gauge"), QStringLiteral("Measuring..."));
    WaitForMeasure();
    // The standard figure is the length a compile at this moment would write.
    PivotRandom pivots = pivots_;
    const auto& lgp = window_->CurrentDocument()->Lgp();
    const PackMeasure standard = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Standard, pivots));
    const QString spare = GroupedNumber(standard.Spare()) + QStringLiteral(" bytes to spare");
    QVERIFY2(Label("Gauge").startsWith(QStringLiteral("Standard: ") + spare), qPrintable(Label("Gauge")));
  }

  void editsInTheTableAndTheFieldAreUndoSteps() {
    OpenAndWait(Path("pack.lgp"));
    auto* table = Child<QTableView>("MessageTable");
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje"));
    QVERIFY(Text(1) == u"Sulje");
    QVERIFY(window_->isWindowModified());
    QCOMPARE(Label("Counts"), QStringLiteral("Translated 5 of 5 · 1 with problems · 1 changed"));

    // A burst of keystrokes in the field is one step; Return is a line break escape.
    table->setCurrentIndex(Model()->index(2, MessageTableModel::TextColumn));
    auto* field = Child<QPlainTextEdit>("TranslationEdit");
    field->setFocus();
    field->moveCursor(QTextCursor::End);
    QTest::keyClicks(field, QStringLiteral("!!"));
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(Text(2) == u"Valikko!!<0A>");
    QCOMPARE(Model()->data(Model()->index(2, MessageTableModel::TextColumn)).toString(),
             QStringLiteral("Valikko!!<0A>"));

    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);  // undo is the document's, even in the field
    QVERIFY(Text(2) == u"Valikko");
    QCOMPARE(Field(), QStringLiteral("Valikko"));
    Trigger("UndoAction");
    QVERIFY(Text(1).empty());
    QVERIFY(!window_->isWindowModified());
    Trigger("RedoAction");
    QVERIFY(Text(1) == u"Sulje");
  }

  void filtersSearchAndMoves() {
    OpenAndWait(Path("pack.lgp"));
    auto* filter = Child<QComboBox>("Filter");
    auto* search = Child<QLineEdit>("Search");
    const struct {
      const char* filter;
      const char* search;
      std::vector<std::int32_t> rows;
    } cases[] = {
        {"Untranslated", "", {1}},    {"Same as reference", "", {3}},
        {"With problems", "", {4}},   {"All messages", "$2", {2}},
        {"All messages", "4", {4}},   {"All messages", "kk", {2}},  // the edited text
        {"All messages", "Clo", {1}},                               // the reference text
        {"Untranslated", "Menu", {}},
    };
    for (const auto& c : cases) {
      filter->setCurrentIndex(filter->findText(QString::fromLatin1(c.filter)));
      search->setText(QString::fromLatin1(c.search));
      QVERIFY2(Model()->Rows() == c.rows, c.search);
    }
    filter->setCurrentIndex(filter->findText(QStringLiteral("Changed since opening")));
    search->clear();
    QVERIFY(Model()->Rows().empty());
    // Going to a message that the filter hides shows all messages again.
    QVERIFY(window_->GoToMessage(3));
    QCOMPARE(window_->CurrentMessage(), 3);
    QCOMPARE(Model()->rowCount(), 5);
    QVERIFY(!window_->GoToMessage(5));
    // The next message needing work, round the end: 4 (problems), then 1 (untranslated).
    QVERIFY(window_->NextNeedingWork());
    QCOMPARE(window_->CurrentMessage(), 4);
    QVERIFY(window_->NextNeedingWork());
    QCOMPARE(window_->CurrentMessage(), 1);
    Trigger("NextAction");
    QCOMPARE(window_->CurrentMessage(), 2);
    Trigger("PreviousAction");
    Trigger("PreviousAction");
    QCOMPARE(window_->CurrentMessage(), 0);
    QVERIFY(!window_->StepMessage(-1));
    // The same by the keys alone.
    auto* table = Child<QTableView>("MessageTable");
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(window_->CurrentMessage(), 1);
    QTest::keyClick(table, Qt::Key_G, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("$3"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window_->CurrentMessage(), 3);
    QTest::keyClick(table, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(window_->CurrentMessage(), 2);
  }

  void replaceAllIsOneUndoStep() {
    OpenAndWait(Path("pack.lgp"));
    Trigger("ReplaceAction");
    QVERIFY(Child<QWidget>("ReplaceBar")->isVisible());
    Child<QLineEdit>("FindText")->setText(QStringLiteral("k"));
    // Auki, Valikko and OK; the reference's language is not searched.
    QCOMPARE(Label("FindCount"), QStringLiteral("4 found"));
    Child<QCheckBox>("MatchCase")->setChecked(true);
    QCOMPARE(Label("FindCount"), QStringLiteral("3 found"));
    Child<QLineEdit>("ReplaceText")->setText(QStringLiteral("K"));
    QTest::mouseClick(Child<QPushButton>("ReplaceAll"), Qt::LeftButton);
    QCOMPARE(Label("FindCount"), QStringLiteral("Replaced 3 in 2 messages"));
    QVERIFY(Text(0) == u"AuKi" && Text(2) == u"ValiKKo");
    QVERIFY(window_->CurrentDocument()->Text(0, 2) == u"Menu");
    Trigger("UndoAction");
    QVERIFY(Text(0) == u"Auki" && Text(2) == u"Valikko");
    QVERIFY(!window_->isWindowModified());

    // One at a time: the current message first, then on to the next that has it.
    window_->GoToMessage(3);
    Child<QLineEdit>("FindText")->setText(QStringLiteral("kko"));
    QTest::mouseClick(Child<QPushButton>("ReplaceOne"), Qt::LeftButton);
    QCOMPARE(window_->CurrentMessage(), 2);
    QVERIFY(Text(2) == u"Valikko");
    QTest::mouseClick(Child<QPushButton>("ReplaceOne"), Qt::LeftButton);
    QVERIFY(Text(2) == u"ValiK");
    QCOMPARE(Label("FindCount"), QStringLiteral("0 found"));
  }

  void savingChangesOnlyTheEditedLine() {
    OpenAndWait(Path("pack.lgp"));
    const auto before = test::LgpLines(ReadFile(Path("pack.lgp")));
    // Typed into the table's own editor, saved while it is still open.
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    auto* table = Child<QTableView>("MessageTable");
    table->setFocus();
    window_->GoToMessage(1);
    table->edit(table->currentIndex());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Sulje"));
    Trigger("SaveAction");
    QVERIFY(dialogs_.messages.empty());
    QVERIFY(!window_->isWindowModified());
    const auto after = test::LgpLines(ReadFile(Path("pack.lgp")));
    QCOMPARE(after.size(), before.size());
    int differing = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (after[i] == before[i]) continue;
      ++differing;
      QVERIFY(after[i].ends_with(u", \"Sulje\""));
    }
    QCOMPARE(differing, 1);
  }

  void aFailedSaveKeepsTheEditsAndTheFile() {
    OpenAndWait(Path("pack.lgp"));
    const auto before = ReadFile(Path("pack.lgp"));
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje"));
    WriteFile(Path("plain"), {1});
    const QString unwritable = Path("plain") + QStringLiteral("/pack.lgp");  // its folder is a file
    dialogs_.files = {unwritable};
    QVERIFY(!window_->SaveAs());
    QCOMPARE(dialogs_.messages.size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(dialogs_.messages[0].Text).contains(QStringLiteral("pack.lgp")),
             dialogs_.messages[0].Text.c_str());
    QVERIFY(window_->isWindowModified());
    QVERIFY(Text(1) == u"Sulje");
    QCOMPARE(window_->FilePath(), Path("pack.lgp"));
    QVERIFY(ReadFile(Path("pack.lgp")) == before);
  }

  void aFileChangedOnDiskIsNotOverwrittenUnasked() {
    OpenAndWait(Path("pack.lgp"));
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje"));
    auto other = ReadFile(Path("pack.lgp"));
    other.insert(other.end(), {';', 0, '\r', 0, '\n', 0});
    WriteFile(Path("pack.lgp"), other);
    dialogs_.choices = {1};  // Cancel
    QVERIFY(!window_->Save());
    QCOMPARE(dialogs_.questions.back().title, QStringLiteral("File changed on disk"));
    QVERIFY(ReadFile(Path("pack.lgp")) == other);
    QVERIFY(window_->isWindowModified());
    dialogs_.choices = {0};  // Overwrite
    QVERIFY(window_->Save());
    QVERIFY(ReadFile(Path("pack.lgp")) != other);
    // Saved by this window: no question the next time.
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje nyt"));
    const auto questions = dialogs_.questions.size();
    QVERIFY(window_->Save());
    QCOMPARE(dialogs_.questions.size(), questions);
  }

  void aDroppedFileOpens() {
    OpenAndWait(Path("pack.lgp"));
    QFile::copy(Path("pack.lgp"), Path("other.lgp"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("other.lgp"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    QTRY_COMPARE(window_->FilePath(), Path("other.lgp"));
    QTRY_VERIFY(!window_->IsOpening());
  }

  void closingWithUnsavedChangesAsks() {
    OpenAndWait(Path("pack.lgp"));
    QVERIFY(window_->close());  // nothing changed: no question
    QVERIFY(dialogs_.questions.empty());
    window_->show();
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje"));
    dialogs_.choices = {2};  // Cancel
    QVERIFY(!window_->close());
    QVERIFY(window_->isVisible());
    QCOMPARE(dialogs_.questions.back().buttons,
             (QStringList{QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}));
    // Opening another file asks the same; Cancel keeps what is open.
    dialogs_.choices = {2};
    window_->Open(Path("pack.lgp"));
    QVERIFY(!window_->IsOpening());
    QVERIFY(Text(1) == u"Sulje");
    dialogs_.choices = {0};  // Save, then close
    QVERIFY(window_->close());
    QVERIFY(HasLine(Path("pack.lgp"), u"String 1, \"Sulje\""));
  }

  void aDamagedOrForeignFileIsRefusedAndTheOpenOneStays() {
    OpenAndWait(Path("pack.lgp"));
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QStringLiteral("Sulje"));
    dialogs_.choices = {1, 1, 1};  // discard, each time
    const struct {
      const char* name;
      std::vector<std::uint8_t> bytes;
    } files[] = {
        {"junk.bin", std::vector<std::uint8_t>(100, 7)},
        {"nobom.lgp", {'S', 0, 't', 0, 'r', 0}},
        {"empty.lgp", {}},
    };
    for (const auto& file : files) {
      WriteFile(Path(file.name), file.bytes);
      dialogs_.messages.clear();
      OpenAndWait(Path(file.name));
      QCOMPARE(dialogs_.messages.size(), std::size_t{1});
      QVERIFY2(QString::fromStdString(dialogs_.messages[0].Text).contains(QString::fromLatin1(file.name)),
               dialogs_.messages[0].Text.c_str());
      QCOMPARE(window_->FilePath(), Path("pack.lgp"));
      QVERIFY(Text(1) == u"Sulje");
      QVERIFY(Child<QWidget>("EditorCentral")->isEnabled());
    }
  }

  void compileAsksForTheCompactPackWhereOnlyItFits() {
    auto lines = test::LgpLines(ReadFile(Path("pack.lgp")));
    test::FillWithRecurringWords(lines);
    auto withLimit = [&](int limit) {
      lines[3] = u"PhoneType WORDY, 80, " + QString::number(limit, 16).toStdU16String() +
                 u", 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4";
      return test::LgpBytes(lines);
    };
    LgpFile lgp;
    QVERIFY(ReadLgpFile(withLimit(0x3FFF), config_.Chars, lgp) == LgpReadStatus::Read);
    PivotRandom pivots = pivots_;
    const auto standard = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Standard, pivots));
    const auto compact = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Compact, pivots));
    const int limit = static_cast<int>(compact.Length) + 1 + 20;
    QVERIFY2(standard.Length >= limit, "the test text must not fit with the standard packing");
    WriteFile(Path("wordy.lgp"), withLimit(limit));
    OpenAndWait(Path("wordy.lgp"));
    WaitForMeasure();
    QVERIFY2(Label("Gauge").contains(QStringLiteral(" bytes over")) &&
                 Label("Gauge").endsWith(QStringLiteral("Compact: 20 bytes to spare")),
             qPrintable(Label("Gauge")));
    const auto before = ReadFile(Path("flash.bin"));

    dialogs_.files = {Path("flash.bin")};
    dialogs_.answers = {MessageAnswer::Cancel};
    window_->CompileToFlash();
    QCOMPARE(dialogs_.asked.back().title, QStringLiteral("Save LGpack in flash as..."));
    QCOMPARE(dialogs_.messages.back().Title, std::string("Compact packing"));
    QCOMPARE(Label("CommandStatus"), QStringLiteral("Stopped!"));
    QVERIFY(ReadFile(Path("flash.bin")) == before);
    QVERIFY(Child<QWidget>("EditorCentral")->isEnabled());

    // The texts as edited now, not as on disk.
    Model()->setData(Model()->index(0, MessageTableModel::TextColumn), QStringLiteral("Aukaise"));
    dialogs_.files = {Path("flash.bin")};
    dialogs_.answers = {MessageAnswer::Ok};
    window_->CompileToFlash();
    QCOMPARE(Label("CommandStatus"), QStringLiteral("Done!"));
    QVERIFY(ReadFile(Path("flash.bin")) != before);
    test::TestFrame decompile;
    QCOMPARE(RunDecompile(decompile, config_, Path("flash.bin").toStdString(), Path("back.lgp").toStdString())
                 .Outcome,
             CommandOutcome::Done);
    const auto back = test::LgpLines(ReadFile(Path("back.lgp")));
    QVERIFY(std::count_if(back.begin(), back.end(),
                          [](const auto& line) { return line.ends_with(u"Aukaise\""); }) == 1);
  }

  void compileRefusesATextThePackCannotHold() {
    OpenAndWait(Path("pack.lgp"));
    Model()->setData(Model()->index(1, MessageTableModel::TextColumn), QString(QChar(0x8123)));
    QVERIFY(!Label("Problems").isEmpty() || window_->CurrentMessage() != 1);
    const auto before = ReadFile(Path("flash.bin"));
    dialogs_.files = {Path("flash.bin")};
    window_->CompileToFlash();
    QCOMPARE(dialogs_.messages.size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(dialogs_.messages[0].Text).contains(QStringLiteral("7FFF")),
             dialogs_.messages[0].Text.c_str());
    QVERIFY(ReadFile(Path("flash.bin")) == before);
    // Save still writes it: the text file can hold it.
    QVERIFY(window_->Save());
    QVERIFY(HasLine(Path("pack.lgp"), u"String 1, \"\u8123\""));
  }

  void carryingATranslationIsOneUndoStepAndABadFileChangesNothing() {
    OpenAndWait(Path("pack.lgp"));
    // The old pack has one message more, "Help" at 2: the later ones moved down.
    auto old = [](const std::u16string& langId) {
      return test::LgpBytes({u"AllLangs 2", u"MaxMsgId 5", u"LangId 1", u"String 0, \"Open\"",
                             u"String 1, \"Close\"", u"String 2, \"Help\"", u"String 3, \"Menu\"",
                             u"String 4, \"OK\"", u"String 5, \"%d new\"", u"LangId " + langId,
                             u"String 0, \"Avaa\"", u"String 1, \"Sulje\"", u"String 3, \"Valikko\"",
                             u"String 5, \"%d uutta\""});
    };
    WriteFile(Path("old.lgp"), old(u"2"));
    WriteFile(Path("other.lgp"), old(u"9"));
    WriteFile(Path("noise.lgp"), {'n', 'o', ' ', 'p', 'a', 'c', 'k'});
    const Document& document = *window_->CurrentDocument();
    for (const char* bad : {"noise.lgp", "other.lgp", "missing.lgp"}) {
      dialogs_.files = {Path(bad)};
      Trigger("CarryAction");
      QVERIFY2(QString::fromStdString(dialogs_.messages.back().Text).contains(QString::fromLatin1(bad)),
               dialogs_.messages.back().Text.c_str());
      QVERIFY(!document.CanUndo() && !document.IsModified());
    }

    dialogs_.files = {Path("old.lgp")};
    Trigger("CarryAction");
    QVERIFY2(dialogs_.messages.back().Text.starts_with(
                 "Carried: 5 (same number 2, moved 3), ambiguous: 0, source changed: 0, new: 0, dropped: 1."),
             dialogs_.messages.back().Text.c_str());
    const std::u16string carried[] = {u"Avaa", u"Sulje", u"Valikko", u"OK", u"%d uutta"};
    for (std::int32_t m = 0; m < 5; ++m) QCOMPARE(Text(m), carried[m]);
    QCOMPARE(Label("Counts"), QStringLiteral("Translated 5 of 5 · 0 with problems · 3 changed"));
    window_->Undo();
    for (std::int32_t m = 0; m < 5; ++m) QVERIFY(!document.IsChanged(1, m));
    QVERIFY(!document.CanUndo() && !document.IsModified());
  }

  void compilingIntoTheImageItCameFromKeepsTheEdit() {
    Configuration shipped;
    LoadConfiguration(TARVO_SOURCE_DIR "/config/tarvo.ini", shipped);
    for (const char* name : {"demo.bin", "demo.lng"}) {
      const QString path = Path(name);
      QVERIFY(QFile::copy(QStringLiteral(TARVO_SOURCE_DIR "/examples/") + QString::fromLatin1(name), path));
      auto open = [&](EditorWindow& window) {
        window.SetDecompileOptions(false, false);  // the texts without their selector escapes
        window.Open(path);
        QTRY_VERIFY(!window.IsOpening());
        QVERIFY2(window.HasDocument(),
                 dialogs_.messages.empty() ? name : dialogs_.messages.back().Text.c_str());
      };
      EditorWindow window(shipped, pivots_, dialogs_);
      open(window);
      QVERIFY(!window.CurrentDocument()->Text(0, 2).starts_with(u"<80>"));
      auto* model = static_cast<MessageTableModel*>(window.findChild<QTableView*>("MessageTable")->model());
      const std::size_t edited = model->EditedLanguage();  // the second, or the language file's only one
      QVERIFY(model->setData(model->index(2, MessageTableModel::TextColumn), QStringLiteral("Kokeilu")));
      dialogs_.choices = {0};  // write into the file the texts came from
      window.CompileToFlash();
      QCOMPARE(dialogs_.questions.back().title, QStringLiteral("Compile to flash"));
      QCOMPARE(window.findChild<QLabel*>("CommandStatus")->text(), QStringLiteral("Done!"));
      dialogs_.choices = {1};

      EditorWindow reopened(shipped, pivots_, dialogs_);
      open(reopened);
      QCOMPARE(reopened.CurrentDocument()->Text(edited, 2), std::u16string(u"Kokeilu"));
    }
  }

  // Suggestions from a memory taken with Ctrl+1, the inconsistent filter and
  // its fix, each one undo step; a named language; a memory that is no pack.
  void theTranslatorsAidsAreOneUndoStepEach() {
    const auto pack = [](std::vector<std::u16string> texts) {
      std::vector<std::u16string> lines = {
          u"PhoneType " + std::u16string(test::kBareType, test::kBareType + std::strlen(test::kBareType)),
          u"AllLangs 2", u"MaxMsgId 3", u"LangId 1"};
      for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i == texts.size() / 2) lines.push_back(u"LangId 2");
        lines.push_back(u"String " + std::u16string(1, static_cast<char16_t>(u'0' + i % (texts.size() / 2))) +
                        u", \"" + texts[i] + u"\"");
      }
      return test::LgpBytes(lines);
    };
    WriteFile(Path("aids.lgp"), pack({u"Save", u"Save", u"Close", u"Close all", u"Tallenna", u"Talleta", u"",
                                      u"Sulje kaikki"}));
    WriteFile(Path("memory.lgp"),
              pack({u"Open", u"Close", u"Menu", u"Help", u"Avaa", u"Sulje", u"Valikko", u"Apua"}));
    WriteFile(Path("noise.lgp"), {'n', 'o', ' ', 'p', 'a', 'c', 'k'});
    OpenAndWait(Path("aids.lgp"));
    const Document& document = *window_->CurrentDocument();

    window_->AddMemory(Path("noise.lgp"));
    QTRY_VERIFY(!window_->IsLoadingMemories());
    QVERIFY(QSettings().value(QStringLiteral("editor/translationMemories")).toStringList().isEmpty());
    QVERIFY2(QString::fromStdString(dialogs_.messages.back().Text).contains(QStringLiteral("noise.lgp")),
             dialogs_.messages.back().Text.c_str());
    dialogs_.files = {Path("memory.lgp")};
    Trigger("AddMemoryAction");
    QTRY_VERIFY(!window_->IsLoadingMemories());
    QCOMPARE(dialogs_.messages.size(), std::size_t{1});
    QVERIFY(window_->GoToMessage(2));
    auto* suggestions = Child<QListWidget>("Suggestions");
    QCOMPARE(suggestions->count(), 1);
    QVERIFY(suggestions->item(0)->text().contains(QStringLiteral("Sulje  (memory.lgp, message 1)")));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(Child<QPlainTextEdit>("TranslationEdit"), Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(Text(2), std::u16string(u"Sulje"));
    QCOMPARE(Field(), QStringLiteral("Sulje"));
    window_->Undo();
    QCOMPARE(Text(2), std::u16string());
    QVERIFY(!document.CanUndo());

    auto* filter = Child<QComboBox>("Filter");
    filter->setCurrentIndex(filter->findText(QStringLiteral("Inconsistent")));
    QCOMPARE(Model()->Rows(), (std::vector<std::int32_t>{0, 1}));
    QVERIFY(window_->GoToMessage(1));
    QVERIFY2(Label("Problems").contains(QStringLiteral("translated differently in 0 (\"Tallenna\")")),
             qPrintable(Label("Problems")));
    QTest::mouseClick(Child<QPushButton>("UseForAll"), Qt::LeftButton);
    QCOMPARE(Text(0), std::u16string(u"Talleta"));
    QVERIFY(!Child<QPushButton>("UseForAll")->isVisible());
    window_->Undo();
    QCOMPARE(Text(0), std::u16string(u"Tallenna"));
    QVERIFY(!document.CanUndo());

    auto* name = Child<QLineEdit>("LanguageName");
    name->setText(QStringLiteral("Finnish"));
    emit name->editingFinished();
    QCOMPARE(Child<QComboBox>("EditLanguage")->currentText(), QStringLiteral("2: 2 · Finnish"));
    QCOMPARE(Model()->headerData(MessageTableModel::TextColumn, Qt::Horizontal).toString(),
             QStringLiteral("Translation (2 · Finnish)"));
    QVERIFY(!document.IsModified());
  }

  // Misspelt words underlined in the field, the Misspelt filter, the
  // personal list kept for the next window, a dictionary that is missing.
  void spellingIsCheckedAsOneTypes() {
    OpenAndWait(Path("pack.lgp"));
    QVERIFY(!window_->SetDictionary(QStringLiteral("xx_XX")));
    QVERIFY(QString::fromStdString(dialogs_.messages.back().Text).contains(QStringLiteral("xx_XX")));
    QVERIFY(!window_->Spelling());
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                  QStringLiteral("/words-2.txt"));
    QVERIFY(window_->SetDictionary(QStringLiteral("en_US")));
    QTRY_VERIFY(!window_->IsLoadingDictionary());
    QVERIFY(window_->Spelling());
    const auto underlined = [this] {
      QStringList words;
      const QTextBlock block = Child<QPlainTextEdit>("TranslationEdit")->document()->firstBlock();
      for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline) {
          words << block.text().mid(range.start, range.length);
        }
      }
      return words;
    };
    QVERIFY(window_->GoToMessage(4));  // "%d new" in the reference
    auto* field = Child<QPlainTextEdit>("TranslationEdit");
    field->setPlainText(QStringLiteral("%d new mesages<0A>Auki"));
    QCOMPARE(underlined(), (QStringList{QStringLiteral("mesages"), QStringLiteral("Auki")}));

    auto* filter = Child<QComboBox>("Filter");
    filter->setCurrentIndex(filter->findText(QStringLiteral("Misspelt")));
    QTRY_VERIFY(!window_->IsCheckingSpelling());
    QCOMPARE(Model()->Rows(), (std::vector<std::int32_t>{0, 2, 4}));  // Auki, Valikko and this one
    QCOMPARE(window_->CurrentMessage(), 4);

    window_->AddToDictionary(QStringLiteral("Auki"));
    QCOMPARE(underlined(), QStringList{QStringLiteral("mesages")});
    EditorWindow second(config_, pivots_, dialogs_);
    second.Open(Path("pack.lgp"));
    QTRY_VERIFY(!second.IsOpening() && !second.IsLoadingDictionary());
    QVERIFY(second.Spelling() && second.Spelling()->IsCorrect(u"Auki"));
    QVERIFY(!second.Spelling()->IsCorrect(u"Valikko"));
  }

  void theShippedExampleAsPictured() {
    Configuration shipped;
    LoadConfiguration(TARVO_SOURCE_DIR "/config/tarvo.ini", shipped);
    EditorWindow window(shipped, pivots_, dialogs_);
    window.resize(1000, 640);
    window.show();
    window.Open(QStringLiteral(TARVO_SOURCE_DIR "/examples/demo.lgp"));
    QTRY_VERIFY(!window.IsOpening());
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsMeasuring(), 30000);
    auto* counts = window.findChild<QLabel*>(QStringLiteral("Counts"));
    QCOMPARE(counts->text(), QStringLiteral("Translated 9 of 9 · 0 with problems · 0 changed"));
    // A translation that lost its line break escape is marked at once.
    QVERIFY(window.GoToMessage(4));
    auto* field = window.findChild<QPlainTextEdit*>(QStringLiteral("TranslationEdit"));
    field->setPlainText(field->toPlainText().replace(QStringLiteral("<0A>"), QStringLiteral(" %s ")));
    QCOMPARE(counts->text(), QStringLiteral("Translated 9 of 9 · 1 with problems · 1 changed"));
    QVERIFY(!window.findChild<QLabel*>(QStringLiteral("Problems"))->text().isEmpty());
    // The aids: named languages, a memory's suggestions and a typo underlined.
    const std::pair<int, const char*> names[] = {{1, "English"}, {3, "Polish"}, {7, "Russian"}, {9, "Greek"}};
    for (const auto& [langId, name] : names) SetLanguageName(langId, QString::fromLatin1(name));
    auto* languageName = window.findChild<QLineEdit*>(QStringLiteral("LanguageName"));
    languageName->setText(QStringLiteral("Polish"));
    emit languageName->editingFinished();
    WriteFile(Path("older.lgp"),
              test::LgpBytes(
                  {u"PhoneType DEMO-F1, 1000, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0, 10, 54, 11, "
                   u"56, 12, 44",
                   u"AllLangs 2", u"MaxMsgId 2", u"LangId 1", u"String 0, \"Battery low!\"",
                   u"String 1, \"Battery low\"", u"String 2, \"Battery full!\"", u"LangId 3",
                   u"String 0, \"Bateria s\u0142aba!\"", u"String 1, \"Niski poziom baterii\"",
                   u"String 2, \"Bateria na\u0142adowana!\""}));
    window.AddMemory(Path("older.lgp"));
    QTRY_VERIFY(!window.IsLoadingMemories());
    QVERIFY(window.SetDictionary(QStringLiteral("pl_PL")));
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsLoadingDictionary(), 30000);
    QVERIFY(window.GoToMessage(7));
    QCOMPARE(window.findChild<QListWidget*>(QStringLiteral("Suggestions"))->count(), 2);
    field->setPlainText(QStringLiteral("S\u0142aba bateriia!"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.IsMeasuring(), 30000);
    QVERIFY(window.grab().save(QStringLiteral("editor.png")));
    dialogs_.choices = {1};
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
