// The editor's item model without a view, under QAbstractItemModelTester,
// and the small pure pieces of the editor: numbers, marks and the gauge's text.
#include "app/editor/message_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "app/editor/escape_highlighter.h"
#include "app/editor/pack_gauge.h"
#include "tests/support/lgp_text.h"

using namespace tarvo;

namespace {

Configuration Config() {
  Configuration config;
  LoadConfigurationText("TRANS 80,0\nTRANS 81,400\n", config);
  return config;
}

std::vector<std::uint8_t> Sample(const char16_t* stringLine) {
  return test::LgpBytes({u"PhoneType TEST, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0",
                         u"AllLangs 2", u"MaxMsgId 30", u"LgPackId T", u"LangId 7", stringLine,
                         u"String 2, \"Menu<0A>\"", u"LangId 9", u"String 0, \"Auki\"",
                         u"String 2, \"Valikko\""});
}

}  // namespace

class MessageTableModelTest : public QObject {
  Q_OBJECT

 private slots:
  void staysConsistentThroughEveryChange() {
    const Configuration config = Config();
    Document document = Document::FromLgp(Sample(u"String 0, \"Open %d\""), "pack.lgp", config);
    MessageTableModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy edited(&model, &MessageTableModel::Edited);
    QCOMPARE(model.rowCount(), 0);
    model.SetDocument(&document, &config.Chars);
    QCOMPARE(model.rowCount(), 31);
    QCOMPARE(model.columnCount(), int{MessageTableModel::ColumnCount});
    model.SetLanguages(1, 0);
    QCOMPARE(model.headerData(MessageTableModel::TextColumn, Qt::Horizontal).toString(),
             QStringLiteral("Translation (LangId 9)"));
    model.SetLanguages(5, 0);  // no such language: nothing changes
    QCOMPARE(model.EditedLanguage(), std::size_t{1});

    // Only the edited text is editable; an edit is one step of the document.
    const QModelIndex text = model.index(0, MessageTableModel::TextColumn);
    QVERIFY(model.flags(text) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, MessageTableModel::ReferenceColumn)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, MessageTableModel::ReferenceColumn), QStringLiteral("x")));
    QVERIFY(model.setData(text, QStringLiteral("Auki %d")));
    QCOMPARE(edited.count(), 1);
    QVERIFY(model.setData(text, QStringLiteral("Auki %d")));  // the same text: no step
    QCOMPARE(edited.count(), 1);
    QVERIFY(document.Text(1, 0) == u"Auki %d" && document.CanUndo());
    QCOMPARE(model.data(model.index(0, MessageTableModel::NumberColumn), Qt::FontRole).value<QFont>().bold(),
             true);

    model.SetRows({0, 2, 17});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.MessageAt(1), 2);
    QCOMPARE(model.RowOf(17), 2);
    QCOMPARE(model.RowOf(5), -1);
    QCOMPARE(model.MessageAt(3), -1);
    QCOMPARE(model.data(model.index(1, MessageTableModel::ReferenceColumn)).toString(),
             QStringLiteral("Menu<0A>"));
    document.Undo();
    model.MessagesChanged({0, 5});
    model.AllChanged();
    QCOMPARE(model.data(text).toString(), QStringLiteral("Auki"));

    // Costs come from the measure's dictionary, when there is one.
    QVERIFY(!model.data(model.index(0, MessageTableModel::CostColumn)).isValid());
    model.SetCost(
        [](std::size_t, const std::u16string& s) { return std::optional<std::int64_t>(1 + s.size()); });
    QCOMPARE(model.data(model.index(0, MessageTableModel::CostColumn)).toLongLong(), 5);
    model.SetMeasure(nullptr);

    // Problems: a mark, and the sentences on hover. "Auki" lacks the reference's "%d".
    const QModelIndex problems = model.index(0, MessageTableModel::ProblemColumn);
    QVERIFY(!model.data(problems).toString().isEmpty());
    QVERIFY(model.data(problems, Qt::ToolTipRole).toString().contains(QStringLiteral("conversions")));
    QVERIFY(model.setData(text, QStringLiteral("Auki %d")));
    QVERIFY(model.data(problems).toString().isEmpty());
    model.SetLanguages(0, 1);  // now "Open %d" against "Auki %d"
    QVERIFY(model.data(problems).toString().isEmpty());
    model.SetDocument(nullptr, nullptr);
    QCOMPARE(model.rowCount(), 0);
  }

  void aLanguageWithoutPlaceForALineIsReadOnly() {
    // The first language's LangId line comes before the last AllLangs line,
    // which forgets its strings: no line can be added to it.
    const Configuration config = Config();
    Document document = Document::FromLgp(
        test::LgpBytes({u"PhoneType TEST, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0",
                        u"AllLangs 1", u"MaxMsgId 1", u"LangId 7", u"AllLangs 2", u"LangId 9",
                        u"String 0, \"Auki\""}),
        "pack.lgp", config);
    QVERIFY(!document.CanEdit(0, 1) && document.CanEdit(1, 0));
    MessageTableModel model;
    model.SetDocument(&document, &config.Chars);
    model.SetLanguages(0, 1);
    QVERIFY(!(model.flags(model.index(0, MessageTableModel::TextColumn)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, MessageTableModel::TextColumn), QStringLiteral("Auki")));
    QVERIFY(!document.CanUndo());
    model.SetLanguages(1, 0);
    QVERIFY(model.flags(model.index(1, MessageTableModel::TextColumn)) & Qt::ItemIsEditable);
  }

  void numbersAsTheFileWritesThem() {
    const struct {
      std::int32_t message;
      bool hex;
      const char* text;
    } cases[] = {
        {0, false, "0"}, {123, false, "123"}, {123, true, "$7B"}, {0, true, "$0"}, {0xABCD, true, "$ABCD"}};
    for (const auto& c : cases) QCOMPARE(MessageNumberText(c.message, c.hex), QString::fromLatin1(c.text));
    const Configuration config = Config();
    Document document = Document::FromLgp(Sample(u"String $0, \"Open\""), "pack.lgp", config);
    MessageTableModel model;
    model.SetDocument(&document, &config.Chars);
    QCOMPARE(model.data(model.index(26, MessageTableModel::NumberColumn)).toString(), QStringLiteral("$1A"));
  }

  void marksFollowTheCodecsReadingOfEscapes() {
    using M = TextMark;
    const struct {
      const char16_t* text;
      std::vector<TextMark> marks;
    } cases[] = {
        {u"plain", {}},
        {u"a<0A>b", {M{1, 4, MarkKind::Escape}}},
        {u"<81><0a>", {M{0, 4, MarkKind::Escape}, M{4, 4, MarkKind::Escape}}},
        {u"<00> <G1> <0A", {}},  // no escapes, though they look like one
        {u"%d of %1$s", {M{0, 2, MarkKind::Conversion}, M{6, 4, MarkKind::Conversion}}},
        {u"100%% %-5.2lx<0D>", {M{6, 7, MarkKind::Conversion}, M{13, 4, MarkKind::Escape}}},
    };
    for (const auto& c : cases)
      QVERIFY2(FindTextMarks(c.text) == c.marks, qPrintable(QString::fromStdU16String(c.text)));
  }

  void gaugeTextSaysRoomAndOverInGroupsOfThree() {
    const struct {
      std::int64_t value;
      const char* text;
    } numbers[] = {{0, "0"},        {999, "999"},           {1000, "1 000"},
                   {1723, "1 723"}, {1234567, "1 234 567"}, {-2870, "-2 870"}};
    for (const auto& n : numbers) QCOMPARE(GroupedNumber(n.value), QString::fromLatin1(n.text));
    DocumentMeasure reading;
    reading.Standard.Packed = reading.Compact.Packed = true;
    reading.Standard.Spare = -1723;
    reading.Compact.Spare = 1054;
    reading.Compact.Fits = true;
    QTextDocument shown;
    shown.setHtml(GaugeText(reading));
    QCOMPARE(shown.toPlainText(),
             QStringLiteral("Standard: 1 723 bytes over · Compact: 1 054 bytes to spare"));
    QVERIFY(GaugeText(reading).indexOf(QStringLiteral("color")) <
            GaugeText(reading).indexOf(QStringLiteral("Standard")));
    QVERIFY(!GaugeText(reading)
                 .mid(GaugeText(reading).indexOf(QStringLiteral("Compact")))
                 .contains(QStringLiteral("color")));
  }
};

QTEST_MAIN(MessageTableModelTest)
#include "message_table_model_test.moc"
