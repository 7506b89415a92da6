// The window under the offscreen platform: its controls, its two commands
// through the buttons, and the frame they run in. Dialogs and message boxes
// go through a scripted stand-in.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "app/editor/editor_window.h"
#include "app/main_form.h"
#include "tests/app/scripted_dialogs.h"
#include "compile/pack_languages.h"
#include "config/configuration.h"
#include "tests/support/test_frame.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"

using namespace tarvo;

namespace {

using test::ScriptedDialogs;

std::vector<std::uint8_t> ReadFile(const QString& path) {
  std::ifstream file(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  ScriptedDialogs* dialogs_ = nullptr;
  std::unique_ptr<MainForm> form_;

  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  template <typename T>
  T* Child(const char* name) const {
    return form_->findChild<T*>(QString::fromLatin1(name));
  }
  QString Status() const { return Child<QLabel>("StatusPanel")->text(); }

  void WriteConfig(const std::string& text) {
    std::ofstream(Path("tarvo.ini").toStdString(), std::ios::binary) << text;
  }
  void MakeForm() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    form_ = std::make_unique<MainForm>(std::move(dialogs), Path("tarvo.ini").toStdString());
  }
  // A flash image of the bare test type, 2 languages x 5 messages, and a
  // form that has loaded a configuration for it.
  void Prepare() {
    WriteConfig(std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kBareType + "\r\n");
    test::PackPlan plan;
    plan.langIds = {1, 2};
    plan.strings = {{{'H', 'i'}, {0x81, 0x10}, {}, {'a'}, {'b'}}, {{'x'}, {}, {'y'}, {}, {'z'}}};
    plan.imageSize = 0x2000;
    WriteFile(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
    MakeForm();
    QVERIFY(form_->Form_Load());
    form_->show();
  }
  void Decompile(const char* flash, const char* lgp) {
    dialogs_->files = {Path(flash), Path(lgp)};
    QTest::mouseClick(Child<QPushButton>("DecompileBase"), Qt::LeftButton);
  }
  void Compile(const char* lgp, const char* flash) {
    dialogs_->files = {Path(lgp), Path(flash)};
    QTest::mouseClick(Child<QPushButton>("CompileBase"), Qt::LeftButton);
  }
  bool Locked() const {
    return !Child<QPushButton>("CompileBase")->isEnabled() && !Child<QPushButton>("DecompileBase")->isEnabled() &&
           !Child<QCheckBox>("SaveLangSigCheck")->isEnabled() && Child<QCheckBox>("HexStringNumbersCheck")->isEnabled();
  }

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() {
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).removeRecursively();
    QDir().mkpath(dir_.path());
  }
  void cleanup() { form_.reset(); }

  void configurationErrorEndsWithoutAWindow() {
    for (const char* text : {"", "TRANS 80,0\r\n", "PHONETYPE A, 0, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9\r\n"}) {
      if (*text) WriteConfig(text);
      MakeForm();
      QVERIFY(!form_->Form_Load());
      QCOMPARE(dialogs_->messages.size(), std::size_t{1});
      QCOMPARE(dialogs_->messages[0].Text, std::string("Error reading configuration!"));
      QCOMPARE(dialogs_->messages[0].Title, std::string("Error"));
      QVERIFY(!dialogs_->messages[0].HasCancel());
      QVERIFY(!form_->isVisible());
    }
  }

  void controlsStartAsTheLayoutSays() {
    Prepare();
    QCOMPARE(form_->windowTitle(), QStringLiteral("Tarvo v1.35"));
    QCOMPARE(form_->size(), QSize(297, 273));
    const QList<QSize> iconSizes = form_->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));
    QVERIFY(!(form_->windowFlags() & Qt::WindowMaximizeButtonHint));
    struct Expected {
      const char* name;
      QRect rect;
      QString text;
    } expected[] = {
        {"HexStringNumbersCheck", {56, 40, 185, 17}, QStringLiteral("String numbers in hex")},
        {"SaveLangSigCheck", {56, 16, 185, 17}, QStringLiteral("Save language signatures in .lgp")},
        {"ProgressBar", {96, 256, 201, 17}, {}},
        {"StatusBar", {0, 254, 297, 19}, {}},
        {"CompileBase", {48, 136, 201, 33}, QStringLiteral("Compile LGpack to flash")},
        {"DecompileBase", {48, 80, 201, 33}, QStringLiteral("Decompile LGpack from flash")},
        {"EditBase", {48, 192, 201, 33}, QStringLiteral("Edit LGpack...")},
        {"Label1", {168, 240, 129, 17}, {}},
    };
    for (const auto& e : expected) {
      QWidget* widget = Child<QWidget>(e.name);
      QVERIFY2(widget, e.name);
      QCOMPARE(widget->geometry(), e.rect);
      QVERIFY(widget->isEnabled());
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), e.text);
    }
    QVERIFY(!Child<QCheckBox>("HexStringNumbersCheck")->isChecked());
    QVERIFY(Child<QCheckBox>("SaveLangSigCheck")->isChecked());
    QVERIFY(!Child<QLabel>("Label1")->text().isEmpty());
    auto* bar = Child<QProgressBar>("ProgressBar");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    QVERIFY(Status().isEmpty());
    QCOMPARE(form_->focusWidget(), Child<QWidget>("DecompileBase"));
    const char* tabOrder[] = {"DecompileBase", "CompileBase",      "EditBase", "StatusBar",
                              "ProgressBar",   "SaveLangSigCheck", "Label1",   "HexStringNumbersCheck"};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
      QWidget* next = Child<QWidget>(tabOrder[i])->nextInFocusChain();
      while (next->parentWidget() != form_.get()) next = next->nextInFocusChain();  // the status bar's own children
      QCOMPARE(next, Child<QWidget>(tabOrder[i + 1]));
    }

    // The picture of the window, for anyone to look at.
    QVERIFY(form_->grab().save(QStringLiteral("mainform.png")));
  }

  void cancellingEitherDialogChangesNothing() {
    Prepare();
    WriteFile(Path("old.lgp"), {1, 2, 3});
    for (int cancelAt = 0; cancelAt < 2; ++cancelAt) {
      dialogs_->asked.clear();
      dialogs_->files = cancelAt == 0 ? std::deque<QString>{QString()} : std::deque<QString>{Path("flash.bin"), QString()};
      QTest::mouseClick(Child<QPushButton>("DecompileBase"), Qt::LeftButton);
      QCOMPARE(dialogs_->asked.size(), std::size_t(cancelAt + 1));
      dialogs_->files = cancelAt == 0 ? std::deque<QString>{QString()} : std::deque<QString>{Path("old.lgp"), QString()};
      QTest::mouseClick(Child<QPushButton>("CompileBase"), Qt::LeftButton);
      QVERIFY(Status().isEmpty());
      QVERIFY(dialogs_->messages.empty());
      QCOMPARE(ReadFile(Path("old.lgp")), (std::vector<std::uint8_t>{1, 2, 3}));
      QVERIFY(!Locked());
    }
  }

  void dialogsHaveTheirTitlesAndFilters() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    Compile("out.lgp", "flash.bin");
    QCOMPARE(dialogs_->asked.size(), std::size_t{4});
    const QString text = QStringLiteral("Unicode LGpack file (*.lgp)|*.lgp|All files (*.*)|*.*");
    const QString flash =
        QStringLiteral("Binary flash file (*.bin)|*.bin|SL4x language file (*.lng)|*.lng|All files (*.*)|*.*");
    QCOMPARE(dialogs_->asked[0].title, QStringLiteral("Open LGpack in flash..."));
    QCOMPARE(dialogs_->asked[0].filter, flash);
    QVERIFY(!dialogs_->asked[0].save && dialogs_->asked[0].mustExist);
    QCOMPARE(dialogs_->asked[1].title, QStringLiteral("Save decompiled LGpack as..."));
    QCOMPARE(dialogs_->asked[1].filter, text);
    QVERIFY(dialogs_->asked[1].save && !dialogs_->asked[1].mustExist);
    QCOMPARE(dialogs_->asked[2].title, QStringLiteral("Open decompiled LGpack..."));
    QCOMPARE(dialogs_->asked[2].filter, text);
    QCOMPARE(dialogs_->asked[3].title, QStringLiteral("Save LGpack in flash as..."));
    QCOMPARE(dialogs_->asked[3].filter, flash);
    QVERIFY(dialogs_->asked[3].save && dialogs_->asked[3].mustExist);
    QCOMPARE(NameFilters(flash), (QStringList{QStringLiteral("Binary flash file (*.bin)"),
                                             QStringLiteral("SL4x language file (*.lng)"),
                                             QStringLiteral("All files (*)")}));
  }

  void bothCommandsRunThroughTheButtons() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    QCOMPARE(Status(), QStringLiteral("Done!"));
    QVERIFY(dialogs_->messages.empty());
    const auto lines = test::LgpLines(ReadFile(Path("out.lgp")));
    QCOMPARE(lines.size(), std::size_t{8 + 2 * 9});
    QVERIFY(lines[13] == u"String 1, \"<81>\u0410\"");
    QCOMPARE(Child<QProgressBar>("ProgressBar")->maximum(), 10);
    QCOMPARE(Child<QProgressBar>("ProgressBar")->value(), 9);

    Compile("out.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Done!"));
    QVERIFY(dialogs_->messages.empty());
    auto* bar = Child<QProgressBar>("ProgressBar");
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(!Locked());
    Decompile("flash.bin", "again.lgp");
    QCOMPARE(test::LgpLines(ReadFile(Path("again.lgp")))[13], lines[13]);
  }

  void commandsLockTheWindowWhileTheyRun() {
    Prepare();
    int lockedYields = 0, yields = 0;
    form_->SetYieldHook([&] {
      ++yields;
      if (Locked()) ++lockedYields;
    });
    Decompile("flash.bin", "out.lgp");
    QVERIFY(yields > 10);
    QCOMPARE(lockedYields, yields - 1);  // the first yield comes before the lock
    yields = lockedYields = 0;
    Compile("out.lgp", "flash.bin");
    QVERIFY(yields > 10);
    QCOMPARE(lockedYields, yields);
    QVERIFY(!Locked());
  }

  void hexOptionTakesEffectOnTheNextLine() {
    Prepare();
    int yields = 0;
    form_->SetYieldHook([&] {
      if (++yields == 8) QTest::mouseClick(Child<QCheckBox>("HexStringNumbersCheck"), Qt::LeftButton);
    });
    Decompile("flash.bin", "out.lgp");
    QVERIFY(Child<QCheckBox>("HexStringNumbersCheck")->isChecked());
    const auto lines = test::LgpLines(ReadFile(Path("out.lgp")));
    // Yield 1 follows "Analyzing...", yield 2 the progress set-up, yield 3 on
    // each string: the click at yield 8 follows the sixth string line, the
    // first of the second language.
    QVERIFY(lines[20] == u"LangId 2");
    QVERIFY(lines[21].substr(0, 9) == u"String 0,");
    QVERIFY(lines[22].substr(0, 10) == u"String $1,");
    QVERIFY(lines[25].substr(0, 10) == u"String $4,");
  }

  void cropQuestionOkAndCancel() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    auto lines = test::LgpLines(ReadFile(Path("out.lgp")));
    std::u16string longText;
    for (int i = 0; i < 800; ++i) longText.push_back(static_cast<char16_t>(u'!' + (i * i * 7 + i) % 89));
    lines[14] = u"String 2, \"" + longText + u"\"";
    WriteFile(Path("long.lgp"), test::LgpBytes(lines));
    const auto before = ReadFile(Path("flash.bin"));

    dialogs_->answers = {MessageAnswer::Cancel};
    Compile("long.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Stopped!"));
    QCOMPARE(dialogs_->messages.back().Title, std::string("String to long"));
    QVERIFY(dialogs_->messages.back().HasCancel());
    QVERIFY(ReadFile(Path("flash.bin")) == before);
    QVERIFY(!Locked());

    dialogs_->answers = {MessageAnswer::Ok};
    Compile("long.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Done!"));
    QVERIFY(ReadFile(Path("flash.bin")) != before);
  }

  void sizeLimitStopsWithTheWindowUnlocked() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    auto lines = test::LgpLines(ReadFile(Path("out.lgp")));
    lines[3] = u"PhoneType TINY, 80, A0, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4";
    WriteFile(Path("tiny.lgp"), test::LgpBytes(lines));
    const auto before = ReadFile(Path("flash.bin"));
    Compile("tiny.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Stopped!"));
    QCOMPARE(dialogs_->messages.back().Text, std::string("The langpack size exceeds phone's limit! Try to reduce it..."));
    QCOMPARE(dialogs_->messages.back().Title, std::string("Critical error"));
    QVERIFY(ReadFile(Path("flash.bin")) == before);
    QVERIFY(!Locked());
  }

  void compactPackIsOfferedWhenOnlyItFits() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    // Long strings of recurring words, where the compact packer saves most.
    auto lines = test::LgpLines(ReadFile(Path("out.lgp")));
    test::FillWithRecurringWords(lines);
    auto withLimit = [&](int limit) {
      lines[3] = u"PhoneType WORDY, 80, " + QString::number(limit, 16).toStdU16String() +
                 u", 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4";
      return test::LgpBytes(lines);
    };
    // Both sizes as the compile measures them.
    Configuration config;
    LoadConfigurationText("TRANS 80,0\nTRANS 81,400\n", config);
    LgpFile lgp;
    QVERIFY(ReadLgpFile(withLimit(0x3FFF), config.Chars, lgp) == LgpReadStatus::Read);
    test::TestFrame frame;
    PivotRandom pivots;
    const auto standard = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Standard, pivots, FrameControl(frame)));
    const auto compact = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame)));
    const int limit = static_cast<int>(compact.Length) + 1 + 20;
    QVERIFY2(standard.Length >= limit, "the test text must not fit with the standard packing");
    WriteFile(Path("wordy.lgp"), withLimit(limit));
    const auto before = ReadFile(Path("flash.bin"));

    dialogs_->answers = {MessageAnswer::Cancel};
    Compile("wordy.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Stopped!"));
    QCOMPARE(dialogs_->messages.back().Title, std::string("Compact packing"));
    QCOMPARE(dialogs_->messages.back().Text,
             std::string("The langpack size exceeds phone's limit with the standard packing. Compact packing fits "
                         "it, with 20 bytes to spare. Write the compact pack?"));
    QVERIFY(dialogs_->messages.back().HasCancel());
    QVERIFY(ReadFile(Path("flash.bin")) == before);
    QVERIFY(!Locked());

    dialogs_->answers = {MessageAnswer::Ok};
    Compile("wordy.lgp", "flash.bin");
    QCOMPARE(Status(), QStringLiteral("Done!"));
    QCOMPARE(Child<QProgressBar>("ProgressBar")->value(), Child<QProgressBar>("ProgressBar")->maximum());
    Decompile("flash.bin", "back.lgp");
    const auto back = test::LgpLines(ReadFile(Path("back.lgp")));
    QCOMPARE(back.size(), lines.size());
    for (std::size_t i = 4; i < back.size(); ++i) QVERIFY2(back[i] == lines[i], QString::fromStdU16String(back[i]).toUtf8());
  }

  void unknownFlashKeepsTheAnalyzingStatus() {
    Prepare();
    WriteFile(Path("junk.bin"), std::vector<std::uint8_t>(100, 7));
    WriteFile(Path("out.lgp"), {1});
    Decompile("junk.bin", "out.lgp");
    QCOMPARE(Status(), QStringLiteral("Analyzing..."));
    QCOMPARE(dialogs_->messages.back().Text, std::string("Unknow phone's flash!"));
    QFile old(Path("out.lgp"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray(1, 1));
    QVERIFY(!Locked());
  }

  void editButtonOpensTheChosenFileInTheEditor() {
    Prepare();
    Decompile("flash.bin", "out.lgp");
    dialogs_->files = {QString()};  // cancelled: an empty editor
    QTest::mouseClick(Child<QPushButton>("EditBase"), Qt::LeftButton);
    QVERIFY(form_->Editor() && form_->Editor()->isVisible());
    QVERIFY(!form_->Editor()->HasDocument());
    dialogs_->files = {Path("out.lgp")};
    QTest::mouseClick(Child<QPushButton>("EditBase"), Qt::LeftButton);
    QCOMPARE(dialogs_->asked.back().title, QStringLiteral("Open LGpack for editing..."));
    QTRY_VERIFY(form_->Editor()->HasDocument());
    QCOMPARE(form_->Editor()->FilePath(), Path("out.lgp"));
    QVERIFY(form_->isVisible());  // the main window stays as it was
    // An image the editor opens itself follows the options as they are now.
    Child<QCheckBox>("SaveLangSigCheck")->setChecked(false);
    form_->Editor()->Open(Path("flash.bin"));
    QTRY_VERIFY(!form_->Editor()->IsOpening());
    QCOMPARE(form_->Editor()->CurrentDocument()->Text(0, 1).find(u'<'), std::u16string::npos);
  }

  void closingWaitsForTheRunningCommand() {
    Prepare();
    bool closeTried = false;
    form_->SetYieldHook([&] {
      if (!closeTried && form_->IsBusy()) {
        closeTried = true;
        QVERIFY(!form_->close());
        QVERIFY(form_->isVisible());
      }
    });
    Decompile("flash.bin", "out.lgp");
    QVERIFY(closeTried);
    QCOMPARE(Status(), QStringLiteral("Done!"));
    QTRY_VERIFY(!form_->isVisible());
    QCOMPARE(test::LgpLines(ReadFile(Path("out.lgp"))).size(), std::size_t{26});
  }
};

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
