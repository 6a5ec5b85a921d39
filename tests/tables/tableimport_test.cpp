// Text tables and workbooks read into the DataSheet's grid, and the same
// grid written out again.
#include "sheet/tableimport.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QDir>
#include <QTemporaryDir>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "sheet/tableexport.h"
#include "sheet/workbookreader.h"
#include "tests/support/files.h"
#include "tests/tables/tablefiles.h"

namespace varnel {
namespace {

using test::GridRows;
using test::Rows;

struct Imported {
  ImportResult result;
  ImportedTable table;
};

Imported FromBytes(const std::string& bytes, TableImportOptions options = {},
                   TableKind kind = TableKind::Text) {
  Imported i;
  i.result = ImportTableBytes(bytes, kind, QStringLiteral("\"t.csv\""), options, i.table);
  return i;
}

class TableFiles : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Write(const QString& name, const QByteArray& bytes) const {
    test::WriteFileOrFail(Path(name), bytes);
    return Path(name);
  }
  QTemporaryDir dir_;
};

TEST(TextTables, QuotingLineEndingsAndTheLastLine) {
  // Each text holds the same table, written in another way.
  const Rows expected{{"Mineral#", "SiO2", "Reference#"},
                      {"spinel", "0.12", "Barnes and Kunilov, 2000"},
                      {"chromite \"A\"", "0.5", "line one\nline two"}};
  const char* texts[] = {
      "Mineral,SiO2,Reference\r\nspinel,0.12,\"Barnes and Kunilov, 2000\"\r\n\"chromite "
      "\"\"A\"\"\",0.5,\"line one\nline two\"\r\n",
      "Mineral,SiO2,Reference\nspinel,0.12,\"Barnes and Kunilov, 2000\"\n\"chromite \"\"A\"\"\",0.5,\"line "
      "one\nline two\"",
      "Mineral,SiO2,Reference\rspinel,0.12,\"Barnes and Kunilov, 2000\"\r\"chromite \"\"A\"\"\",0.5,\"line "
      "one\nline two\"\r",
      "\xEF\xBB\xBFMineral,SiO2,Reference\nspinel,0.12,\"Barnes and Kunilov, 2000\"\n\n\"chromite "
      "\"\"A\"\"\",0.5,\"line one\nline two\"\n\n",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const Imported i = FromBytes(text);
    ASSERT_TRUE(i.result.Ok) << i.result.Error.toStdString();
    EXPECT_EQ(GridRows(i.table), expected);
    EXPECT_EQ(i.table.Used.Separator, ',');
    EXPECT_EQ(i.table.TaggedColumns, (std::vector<int>{1, 3}));
  }
}

TEST(TextTables, SeparatorDecimalAndEncodingAreDetected) {
  struct Case {
    std::string bytes;
    char separator, decimal;
    const char* encoding;
    Rows expected;
  };
  auto utf16 = [](const std::u16string& s, bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : s) {
      const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
      out += big ? hi : lo;
      out += big ? lo : hi;
    }
    return out;
  };
  const Case cases[] = {
      {"Probe;SiO2;FeO\nA 1;45,3;0,12\nA 2;44,9;1,5\n",
       ';',
       ',',
       "UTF-8",
       {{"Probe#", "SiO2", "FeO"}, {"A 1", "45.3", "0.12"}, {"A 2", "44.9", "1.5"}}},
      {"Probe\tSiO2\tFeO\nA 1\t45.3\t0.12\n",
       '\t',
       '.',
       "UTF-8",
       {{"Probe#", "SiO2", "FeO"}, {"A 1", "45.3", "0.12"}}},
      // Decimal commas inside quotes of a comma-separated file.
      {"Probe,SiO2\nA,\"45,3\"\nB,\"1,25\"\n",
       ',',
       ',',
       "UTF-8",
       {{"Probe#", "SiO2"}, {"A", "45.3"}, {"B", "1.25"}}},
      {"Locality;Al2O3\nR\xE9union;12\n",
       ';',
       '.',
       "Windows-1252",
       {{"Locality#", "Al2O3"}, {"R\xC3\xA9union", "12"}}},
      {utf16(u"Ort;MgO\nK\u00F6ln;3,5\n", false),
       ';',
       ',',
       "UTF-16",
       {{"Ort#", "MgO"}, {"K\xC3\xB6ln", "3.5"}}},
      {utf16(u"Ort\tMgO\nA\t3.5\n", true), '\t', '.', "UTF-16 (big-endian)", {{"Ort#", "MgO"}, {"A", "3.5"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Imported i = FromBytes(c.bytes);
    ASSERT_TRUE(i.result.Ok) << i.result.Error.toStdString();
    EXPECT_EQ(i.table.Used.Separator, c.separator);
    EXPECT_EQ(i.table.Used.Decimal, c.decimal);
    EXPECT_EQ(i.table.EncodingName.toStdString(), c.encoding);
    EXPECT_EQ(GridRows(i.table), c.expected);
  }
}

TEST(TextTables, ChoicesGivenOverrideTheDetection) {
  const std::string text = "Spinel analyses, 2001\nSample;SiO2;Cr2O3\nS1;0,1;45,2\nS2;0,3;44,0\n";
  Imported detected = FromBytes(text);
  ASSERT_TRUE(detected.result.Ok);
  EXPECT_EQ(detected.table.Used.Skip, 1);
  EXPECT_EQ(detected.table.Used.Header, 1);
  EXPECT_EQ(GridRows(detected.table),
            (Rows{{"Sample#", "SiO2", "Cr2O3"}, {"S1", "0.1", "45.2"}, {"S2", "0.3", "44.0"}}));

  struct Case {
    TableImportOptions options;
    Rows expected;
  };
  TableImportOptions noHeader;
  noHeader.Skip = 2;
  noHeader.Header = 0;
  TableImportOptions pointDecimal;
  pointDecimal.Decimal = '.';
  TableImportOptions commaTarget;
  commaTarget.TargetDecimal = ',';
  const Case cases[] = {
      {noHeader, {{"Var_1#", "Var_2", "Var_3"}, {"S1", "0.1", "45.2"}, {"S2", "0.3", "44.0"}}},
      // With a point as the decimal mark "0,1" is no number: the columns are text.
      {pointDecimal, {{"Sample#", "SiO2#", "Cr2O3#"}, {"S1", "0,1", "45,2"}, {"S2", "0,3", "44,0"}}},
      // A program that writes decimal commas keeps them.
      {commaTarget, {{"Sample#", "SiO2", "Cr2O3"}, {"S1", "0,1", "45,2"}, {"S2", "0,3", "44,0"}}},
  };
  for (const Case& c : cases) {
    const Imported i = FromBytes(text, c.options);
    ASSERT_TRUE(i.result.Ok) << i.result.Error.toStdString();
    EXPECT_EQ(GridRows(i.table), c.expected);
  }
  // A forced separator that splits nothing leaves no table.
  TableImportOptions tab;
  tab.Separator = '\t';
  const Imported none = FromBytes(text, tab);
  EXPECT_FALSE(none.result.Ok);
  EXPECT_EQ(none.result.Error.toStdString(),
            "\"t.csv\" holds no table: no line is split into fields by a comma, semicolon or tab.");
}

TEST(TextTables, NamesAndTags) {
  const Imported i = FromBytes(
      "Label#,SiO2,,SiO2,Note,Empty\n"
      "a,1,2,3,x,\n"
      "b,n.d.,4,5,y,\n");
  ASSERT_TRUE(i.result.Ok);
  EXPECT_EQ(GridRows(i.table)[0],
            (std::vector<std::string>{"Label#", "SiO2", "Var_3", "SiO2_2", "Note#", "Empty#"}));
  EXPECT_EQ(i.table.TaggedColumns, (std::vector<int>{1, 5, 6}));
  // A first row of numbers names nothing.
  const Imported numbers = FromBytes("1,2\n3,4\n");
  ASSERT_TRUE(numbers.result.Ok);
  EXPECT_EQ(GridRows(numbers.table), (Rows{{"Var_1", "Var_2"}, {"1", "2"}, {"3", "4"}}));
}

TEST(TextTables, DetectionLimitMarks) {
  const std::string text =
      "Sample,TiO2,MnO,Note\n"
      "s1,<0.01,0.2,n.d.\n"
      "s2,0.5,n.d.,x\n"
      "s3,< 0.04,bdl,\n"
      "s4,-,N.A.,b.d.l.\n"
      "s5,0.3,-0.1,none\n";
  struct Case {
    LimitReading reading;
    std::vector<std::string> tio2;
  };
  const Case cases[] = {
      {LimitReading::Missing, {"TiO2", "<0.01", "0.5", "< 0.04", "-", "0.3"}},
      {LimitReading::Limit, {"TiO2", "0.01", "0.5", "0.04", "-", "0.3"}},
      {LimitReading::Half, {"TiO2", "0.005", "0.5", "0.02", "-", "0.3"}},
  };
  for (const Case& c : cases) {
    TableImportOptions options;
    options.BelowLimit = c.reading;
    const Imported i = FromBytes(text, options);
    ASSERT_TRUE(i.result.Ok);
    std::vector<std::string> tio2;
    for (const auto& row : GridRows(i.table)) tio2.push_back(row[1]);
    EXPECT_EQ(tio2, c.tio2);
    // Missing: empty cells and marks; below: "<limit".
    EXPECT_EQ(i.table.Counts[1].Missing, 1);
    EXPECT_EQ(i.table.Counts[1].Below, 2);
    EXPECT_EQ(i.table.Counts[2].Missing, 3);
    EXPECT_EQ(i.table.Counts[2].Below, 0);
    // A column of marks and text is tagged whatever the option.
    EXPECT_EQ(i.table.Counts[3].Missing, 3);
    EXPECT_EQ(GridRows(i.table)[0][3], "Note#");
    EXPECT_EQ(GridRows(i.table)[0][1], "TiO2");
  }
  for (const char* mark : {"", "n.d.", "ND", "n.a.", "NA", "b.d.l.", "BDL", "-", " n.d. "})
    EXPECT_TRUE(IsMissingMark(mark));
  for (const char* value : {"0", "-1", "nd2", "<0.1", "Na2O"}) EXPECT_FALSE(IsMissingMark(value));
}

TEST(TextTables, SummaryNamesWhatCameIn) {
  const Imported i = FromBytes("Sample;TiO2\ns1;<0,01\ns2;\n");
  ASSERT_TRUE(i.result.Ok);
  EXPECT_EQ(ImportSummary(QStringLiteral("/data/spinel.csv"), i.table),
            (QStringList{"Imported spinel.csv", "Separator: semicolon\tDecimal mark: ,\tEncoding: UTF-8",
                         "Rows skipped: 0\tNames from the first row: yes",
                         "1 value below detection kept as written (missing)",
                         "Rows: 2\tColumns: 2\tTagged columns: 1", "Tagged (no numbers): Sample#", "",
                         "Variable\tMissing\tBelow detection", "Sample#\t0\t0", "TiO2\t1\t1"}));
  // A column with values below detection only is one of numbers.
  EXPECT_EQ(i.table.TaggedColumns, std::vector<int>{1});
  // "<0,01" keeps its text, with the program's decimal mark as the numbers.
  EXPECT_EQ(GridRows(i.table)[1][1], "<0.01");
  // How the values below detection were read, as the summary and the
  // sheet's description tell it.
  struct Note {
    const char* text;
    LimitReading reading;
    const char* note;
  };
  for (const Note& n :
       {Note{"A;B\n1;<0,01\n", LimitReading::Half, "1 value below detection read as half the limit"},
        Note{"A;B\n<1;<0,01\n", LimitReading::Limit, "2 values below detection read as the limit"},
        Note{"A;B\n1;<0,01\n<2;3\n", LimitReading::Missing,
             "2 values below detection kept as written (missing)"},
        Note{"A;B\n1;2\n", LimitReading::Half, ""}}) {
    TableImportOptions options;
    options.BelowLimit = n.reading;
    const Imported t = FromBytes(n.text, options);
    ASSERT_TRUE(t.result.Ok) << n.text;
    EXPECT_EQ(BelowLimitNote(t.table).toStdString(), n.note) << n.text;
  }
  EXPECT_EQ(ImportedSheetName(QStringLiteral("/data/spinel.analyses.csv")).toStdString(),
            "/data/spinel.analyses.vnp");
}

TEST(TextTables, RaggedRowsWarnAsDataFilesDo) {
  const Imported i = FromBytes("A,B,C\n1,2,3,4\n1,2\n1,2,3,\n");
  ASSERT_TRUE(i.result.Ok);
  EXPECT_EQ(i.table.Warnings,
            (QStringList{"Too many values in data line 2.\n\rExcess values will be skipped.",
                         "Too few values in data line 3.\n\rMissing values will be regarded as blanks."}));
  EXPECT_EQ(GridRows(i.table), (Rows{{"A", "B", "C"}, {"1", "2", "3"}, {"1", "2", ""}, {"1", "2", "3"}}));
}

TEST(TextTables, BadInputIsRefusedWithItsReason) {
  struct Case {
    std::string bytes;
    const char* error;
  };
  const Case cases[] = {
      {"A,B\n1,2\n3,\"4\n5,6\n",
       "\"t.csv\": Unbalanced quotes: the quoted field that opens in line 3 is never closed."},
      {"A,B\n1,\"x\ny\",\"open\n",
       "\"t.csv\": Unbalanced quotes: the quoted field that opens in line 3 is never closed."},
      {std::string("A,B\n1,2\0\n", 9), "\"t.csv\" is not a text table: line 2 holds a NUL byte."},
      {"A,B\n", "The table in \"t.csv\" has no rows of data below its names."},
      {"", "\"t.csv\" holds no table: there is no row to read."},
      {"Dear reader\nthis is a letter\n",
       "\"t.csv\" holds no table: no line is split into fields by a comma, semicolon or tab."},
      {"A,B\n1," + std::string(MaxCellBytes + 1, 'x') + "\n",
       "\"t.csv\": Line 2 holds a cell of more than 1048576 bytes: this is not a table of analyses."},
      {"A,B\n1,\"" + std::string(MaxCellBytes, 'x') + "\"\"x\"\n",
       "\"t.csv\": Line 2 holds a cell of more than 1048576 bytes: this is not a table of analyses."},
  };
  for (const Case& c : cases) {
    const Imported i = FromBytes(c.bytes);
    EXPECT_FALSE(i.result.Ok);
    EXPECT_EQ(i.result.Error.toStdString(), c.error);
    EXPECT_TRUE(i.table.Columns.empty());
  }
}

TEST(TextTables, PreviewStopsAfterItsRows) {
  std::string text = "A,B\n";
  for (int r = 0; r < 100; ++r) text += std::to_string(r) + ",x\n";
  ImportedTable table;
  ASSERT_TRUE(ImportTableBytes(text, TableKind::Text, QStringLiteral("t"), {}, table, 20).Ok);
  EXPECT_EQ(table.RowCount, 21);
  EXPECT_EQ(GridRows(table)[20], (std::vector<std::string>{"19", "x"}));
}

// An XLSX workbook written by the spreadsheet writer: two sheets, numbers,
// text, a formula with its saved result and a gap in the second row. A
// streaming writer (constant memory) puts the texts into the cells
// themselves instead of a table of shared strings.
void WriteXlsx(const QString& path, bool streaming = false) {
  lxw_workbook_options streamed{};
  streamed.constant_memory = LXW_TRUE;
  lxw_workbook* book = streaming ? workbook_new_opt(QFile::encodeName(path).constData(), &streamed)
                                 : workbook_new(QFile::encodeName(path).constData());
  lxw_worksheet* notes = workbook_add_worksheet(book, "Notes");
  worksheet_write_string(notes, 0, 0, "About", nullptr);
  worksheet_write_string(notes, 1, 0, "spinel data", nullptr);
  lxw_worksheet* data = workbook_add_worksheet(book, "Spinel");
  const char* names[] = {"Mineral", "SiO2", "Cr2O3", "Sum"};
  for (lxw_col_t c = 0; c < 4; ++c) worksheet_write_string(data, 0, c, names[c], nullptr);
  worksheet_write_string(data, 1, 0, "chromite", nullptr);
  worksheet_write_number(data, 1, 1, 0.1, nullptr);
  // Shown rounded to one decimal, read in full.
  lxw_format* rounded = workbook_add_format(book);
  format_set_num_format(rounded, "0.0");
  worksheet_write_number(data, 1, 2, 45.123456789, rounded);
  worksheet_write_formula_num(data, 1, 3, "=B2+C2", nullptr, 45.223456789);
  worksheet_write_string(data, 2, 0, "spinel", nullptr);
  worksheet_write_number(data, 2, 2, 1e-5, nullptr);
  worksheet_write_string(data, 2, 3, "n.d.", nullptr);
  workbook_close(book);
}

TEST_F(TableFiles, WorkbooksReadTheirCellsAsShown) {
  const QString xlsx = Path(QStringLiteral("spinel.xlsx"));
  WriteXlsx(xlsx);
  const QString streamed = Path(QStringLiteral("streamed.xlsx"));
  WriteXlsx(streamed, true);
  const QString ods = Write(QStringLiteral("spinel.ods"),
                            test::OdsFile({{"Notes", {{"About"}, {"spinel data"}}},
                                           {"Spinel",
                                            {{"Mineral", "SiO2", "Cr2O3", "Sum"},
                                             {"chromite", "0.1", "45.123456789", "=45.223456789"},
                                             {"spinel", "", "1e-05", "n.d."}}}}));
  const Rows expected{{"Mineral#", "SiO2", "Cr2O3", "Sum"},
                      {"chromite", "0.1", "45.123456789", "45.223456789"},
                      {"spinel", "", "1e-05", "n.d."}};
  for (const QString& path : {xlsx, streamed, ods}) {
    SCOPED_TRACE(path.toStdString());
    for (const QString& sheet : {QStringLiteral("Spinel"), QStringLiteral("2")}) {
      TableImportOptions options;
      options.SheetName = sheet;
      ImportedTable table;
      const ImportResult r = ImportTable(path, options, table);
      ASSERT_TRUE(r.Ok) << r.Error.toStdString();
      EXPECT_EQ(GridRows(table), expected);
      EXPECT_EQ(table.Sheets, (QStringList{"Notes", "Spinel"}));
      EXPECT_EQ(table.SheetUsed, QStringLiteral("Spinel"));
      EXPECT_EQ(table.Counts[3].Missing, 1);
    }
    // The first sheet unless another is chosen: a single column is still
    // read from a workbook, whose columns need no separator.
    ImportedTable first;
    ASSERT_TRUE(ImportTable(path, {}, first).Ok);
    EXPECT_EQ(first.SheetUsed, QStringLiteral("Notes"));
    EXPECT_EQ(GridRows(first), (Rows{{"About#"}, {"spinel data"}}));
    TableImportOptions missing;
    missing.SheetName = QStringLiteral("Olivine");
    const ImportResult r = ImportTable(path, missing, first);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Error, QLatin1Char('"') + path +
                           QStringLiteral("\" has no sheet \"Olivine\". Its sheets: Notes, Spinel."));
  }
}

// An XLSX package assembled by hand around one sheet part, which is found
// through the package's relationships as any reader must (not by its name).
QByteArray HandMadeXlsx(const std::string& sheetData, const std::string& sharedStrings = {},
                        const std::string& styles = {}, bool date1904 = false) {
  const std::string ns = "http://schemas.openxmlformats.org/";
  std::vector<std::pair<std::string, std::string>> parts{
      {"[Content_Types].xml",
       "<?xml version=\"1.0\"?><Types xmlns=\"" + ns +
           "package/2006/content-types\">"
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/tables/first.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
           "<Override PartName=\"/xl/tables/data.xml\" ContentType=\"application/"
           "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>"},
      {"_rels/.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
                          "package/2006/relationships\">"
                          "<Relationship Id=\"rId1\" Type=\"" +
                          ns +
                          "officeDocument/2006/relationships/officeDocument\" "
                          "Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "spreadsheetml/2006/main\" xmlns:rel=\"" + ns +
           "officeDocument/2006/relationships\">" + (date1904 ? "<workbookPr date1904=\"1\"/>" : "") +
           "<sheets>"
           "<sheet name=\"First\" sheetId=\"1\" rel:id=\"rId7\"/>"
           "<sheet name=\"Data\" sheetId=\"2\" rel:id=\"rId3\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"" + ns +
                                         "package/2006/relationships\">"
                                         "<Relationship Id=\"rId3\" Type=\"" +
                                         ns +
                                         "officeDocument/2006/relationships/worksheet\" "
                                         "Target=\"tables/data.xml\"/>"
                                         "<Relationship Id=\"rId7\" Type=\"" +
                                         ns +
                                         "officeDocument/2006/relationships/worksheet\" "
                                         "Target=\"/xl/tables/first.xml\"/></Relationships>"},
      {"xl/tables/first.xml", "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns +
                                  "spreadsheetml/2006/main\"><sheetData>"
                                  "<row r=\"1\"><c r=\"A1\" "
                                  "t=\"inlineStr\"><is><t>first</t></is></c></row></sheetData></worksheet>"},
      {"xl/tables/data.xml", "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns +
                                 "spreadsheetml/2006/main\"><sheetData>" + sheetData +
                                 "</sheetData></worksheet>"},
  };
  // A part of the workbook's, and the relationship that finds it.
  const auto addPart = [&](const std::string& name, const std::string& target, const char* type,
                           const std::string& xml) {
    parts.push_back({name, "<?xml version=\"1.0\"?>" + xml});
    std::string& rels = parts[3].second;
    rels.insert(rels.rfind("</Relationships>"),
                "<Relationship Id=\"rId" + std::to_string(100 + parts.size()) + "\" Type=\"" + ns +
                    "officeDocument/2006/relationships/" + type + "\" Target=\"" + target + "\"/>");
  };
  // Named in capitals here, in small letters by the relationship: part names ignore case.
  if (!sharedStrings.empty())
    addPart("xl/Strings.XML", "strings.xml", "sharedStrings",
            "<sst xmlns=\"" + ns + "spreadsheetml/2006/main\">" + sharedStrings + "</sst>");
  if (!styles.empty())
    addPart("xl/styles.xml", "styles.xml", "styles",
            "<styleSheet xmlns=\"" + ns + "spreadsheetml/2006/main\">" + styles + "</styleSheet>");
  return test::StoredZip(parts);
}

// The rows of the "Data" sheet of a hand-made package; a failed read fails the test.
Rows DataSheetRows(const QString& path) {
  TableImportOptions options;
  options.SheetName = QStringLiteral("Data");
  ImportedTable table;
  const ImportResult r = ImportTable(path, options, table);
  EXPECT_TRUE(r.Ok) << r.Error.toStdString();
  return r.Ok ? GridRows(table) : Rows{};
}

TEST_F(TableFiles, TextsWrittenIntoTheCellsThemselvesAreRead) {
  const struct {
    const char* what;
    std::string sheetData;
    Rows expected;
  } cases[] = {
      {"addressed cells, entities and spaces kept",
       "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Mineral</t></is></c>"
       "<c r=\"B1\" t=\"inlineStr\"><is><t>SiO2</t></is></c></row>"
       "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> Fe &amp; Mg </t></is></c>"
       "<c r=\"B2\"><v>0.5</v></c></row>"
       "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>spinel</t></is></c>"
       "<c r=\"B3\" t=\"inlineStr\"><is><t>&lt;0.01</t></is></c></row>",
       {{"Mineral#", "SiO2"}, {" Fe & Mg ", "0.5"}, {"spinel", "<0.01"}}},
      {"rows and cells without addresses follow the ones before",
       "<row><c t=\"inlineStr\"><is><t>A</t></is></c><c t=\"inlineStr\"><is><t>B</t></is></c></row>"
       "<row><c><v>1</v></c><c t=\"inlineStr\"><is><t>x</t></is></c></row>"
       "<row r=\"4\"><c r=\"B4\" t=\"inlineStr\"><is><t>y</t></is></c></row>",
       {{"A", "B#"}, {"1", "x"}, {"", "y"}}},
      {"rich-text runs joined, phonetic runs left out",
       "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><t>Si</t></r><r><rPr><b/></rPr><t>O2</t></r>"
       "<rPh sb=\"0\" eb=\"1\"><t>shi</t></rPh></is></c><c r=\"B1\" "
       "t=\"inlineStr\"><is><t>MgO</t></is></c></row>"
       "<row r=\"2\"><c r=\"A2\"><v>40</v></c><c r=\"B2\"><v>50</v></c></row>",
       {{"SiO2", "MgO"}, {"40", "50"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DataSheetRows(Write(QStringLiteral("inline.xlsx"), HandMadeXlsx(c.sheetData))), c.expected);
  }
}

TEST_F(TableFiles, WorkbookCellsOfEveryKindReadAsTheSpreadsheetShowsThem) {
  const std::string strings =
      "<si><t>Kind</t></si><si><t>Value</t></si>"
      "<si><r><t>Fe</t></r><r><rPr><b/></rPr><t>O</t></r><rPh><t>fe</t></rPh></si>"
      "<si><t>tab_x0009_and_x005F_x0041_</t></si><si><t>25 _x00B0_C</t></si><si><t></t></si>";
  const auto cell = [](int row, const char* type, const std::string& inside) {
    return "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) +
           "\" t=\"inlineStr\"><is><t>" + std::to_string(row) + "</t></is></c><c r=\"B" +
           std::to_string(row) + "\"" + (*type ? std::string(" t=\"") + type + "\"" : std::string()) + ">" +
           inside + "</c></row>";
  };
  struct Kind {
    const char* type;
    const char* inside;
    const char* shown;
  };
  const Kind kinds[] = {
      {"s", "<v>2</v>", "FeO"},              // rich runs joined, the reading left out
      {"s", "<v>3</v>", "tab\tand_x0041_"},  // characters XML cannot hold, an escaped escape
      {"s", "<v>4</v>",
       "25 \xC2\xB0"
       "C"},
      {"s", "<v>5</v>", ""},           // an empty text is an empty cell
      {"s", "<v>99</v>", ""},          // no such shared string
      {"", "<v>12.340</v>", "12.34"},  // numbers as their double prints
      {"n", "<v>1.0E-3</v>", "0.001"},
      {"", "<v>0.0001</v>", "1e-04"},
      {"", "<v>1E20</v>", "1e+20"},
      {"", "<v>-0</v>", "-0"},
      {"", "<v>45.123</v>", "45.123"},
      {"", "<v>n.d.</v>", "n.d."},  // a text where a number belongs stays as written
      {"b", "<v>1</v>", "TRUE"},
      {"b", "<v>false</v>", "FALSE"},
      {"e", "<v>#DIV/0!</v>", ""},               // an error is no value
      {"", "<f>1/0</f><v></v>", ""},             // a formula saved without its result
      {"", "<f>B1*2</f><v>24.68</v>", "24.68"},  // ... and with it
      {"str", "<f>A1</f><v>spinel</v>", "spinel"},
      {"d", "<v>2020-05-17T13:45:30.25Z</v>", "2020-05-17 13:45:30"},
      {"d", "<v>1999-12-31T00:00:00</v>", "1999-12-31"},
      {"inlineStr", "<is><t>Cr_x002F_Al</t></is>", "Cr/Al"},
  };
  std::string sheetData =
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>";
  Rows expected{{"Kind", "Value"}};
  int row = 2;
  for (const Kind& k : kinds) {
    sheetData += cell(row, k.type, k.inside);
    expected.push_back({std::to_string(row++), k.shown});
  }
  // Elements with a namespace prefix are the same elements.
  sheetData += "<x:row xmlns:x=\"urn:x\" r=\"" + std::to_string(row) + "\"><x:c r=\"A" + std::to_string(row) +
               "\"><x:v>7</x:v></x:c><x:c r=\"B" + std::to_string(row) + "\"><x:v>7.5</x:v></x:c></x:row>";
  expected.push_back({"7", "7.5"});
  const Rows got = DataSheetRows(Write(QStringLiteral("kinds.xlsx"), HandMadeXlsx(sheetData, strings)));
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "row " << i + 1;
}

// Numbers whose style shows a date come in as the date shown, as dates of
// the other workbook kind do.
TEST_F(TableFiles, NumbersShownAsDatesComeInAsDates) {
  // Styles by index: 0 General, 1 a built-in date, 2 a built-in time,
  // 3 a built-in duration, 4 percent, 5 a date of the workbook's own,
  // 6 a number format with quoted letters, 7 an elapsed-hours format,
  // 8 a date behind a locale tag.
  const std::string styles =
      "<numFmts count=\"4\"><numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\"/>"
      "<numFmt numFmtId=\"165\" formatCode=\"0.00&quot; days&quot;\"/>"
      "<numFmt numFmtId=\"166\" formatCode=\"[h]:mm\"/>"
      "<numFmt numFmtId=\"167\" formatCode=\"[$-409]d mmmm yyyy;@\"/></numFmts>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
      "<cellXfs count=\"9\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"21\"/><xf "
      "numFmtId=\"46\"/>"
      "<xf numFmtId=\"10\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/>"
      "<xf numFmtId=\"167\"/></cellXfs>";
  struct Case {
    int style;
    const char* value;
    const char* shown;
    const char* shown1904;
  };
  const Case cases[] = {
      {1, "43968.57326388889", "2020-05-17 13:45:30", "2024-05-18 13:45:30"},
      {5, "36525", "1999-12-31", "2004-01-01"},
      {8, "1", "1900-01-01", "1904-01-02"},
      {1, "59", "1900-02-28", "1904-02-29"},
      {1, "60", "1900-02-29", "1904-03-01"},  // the day the 1900 system counts that never was
      {1, "61", "1900-03-01", "1904-03-02"},
      {1, "2958465.99998", "9999-12-31 23:59:58", "2958465.99998"},  // the last day there is
      {1, "2958465.9999999", "2958465.9999999", "2958465.9999999"},  // its last second rounds past it
      {2, "0.5", "12:00:00", "1904-01-01 12:00:00"},
      {1, "2958466", "2958466", "2958466"},  // past the last day: the number
      {1, "-1", "-1", "-1"},
      {3, "1.5", "1.5", "1.5"},  // durations and other numbers stay numbers
      {7, "1.5", "1.5", "1.5"},
      {0, "36525", "36525", "36525"},
      {4, "0.25", "0.25", "0.25"},
      {6, "2.5", "2.5", "2.5"},
      {9, "36525", "36525", "36525"},  // no such style
  };
  for (const bool date1904 : {false, true}) {
    SCOPED_TRACE(date1904 ? "days from 1904" : "days from 1900");
    std::string sheetData = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Value</t></is></c></row>";
    Rows expected{{"Value"}};
    int row = 2;
    for (const Case& c : cases) {
      sheetData += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\" s=\"" +
                   std::to_string(c.style) + "\"><v>" + c.value + "</v></c></row>";
      expected.push_back({date1904 ? c.shown1904 : c.shown});
      ++row;
    }
    const Rows got =
        DataSheetRows(Write(QStringLiteral("dates.xlsx"), HandMadeXlsx(sheetData, {}, styles, date1904)));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << cases[i - 1].value;
  }
}

// A number's text is kept as written only where reading it as a double and
// printing that again gives the same characters.
TEST(WorkbookNumbers, TextsKeptAsWrittenAreTheTextsTheirDoublesPrintAs) {
  const auto printed = [](std::string_view s) -> std::string {
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return "(not a number)";
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
  };
  const struct {
    const char* text;
    bool kept;
  } cases[] = {
      {"45.123", true},
      {"0", true},
      {"-0", true},
      {"1230000", true},
      {"-12.5", true},
      {"0.0012", true},
      {"123456789012345", true},
      {"0.0001", false},
      {"1000000", false},
      {"1.50", false},
      {"00.5", false},
      {".5", false},
      {"1.", false},
      {"+1", false},
      {"1e5", false},
      {"1234567890123456", false},
      {"0.1234567890123456", false},
      {"", false},
      {"-", false},
      {" 1", false},
      {"1,5", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsShortestNumberText(c.text), c.kept) << c.text;
    if (c.kept) {
      EXPECT_EQ(printed(c.text), c.text);
    }
  }
  // Random texts of every shape: leading and trailing zeros, up to 18 digits
  // on either side of the point, signs, and exponents.
  std::mt19937_64 random(20261207);
  int kept = 0;
  for (int n = 0; n < 400000; ++n) {
    std::string s = random() % 4 == 0 ? "-" : "";
    const int whole = static_cast<int>(random() % 19), fraction = static_cast<int>(random() % 19);
    for (int k = 0; k < whole; ++k)
      s += static_cast<char>('0' + (k == 0 && random() % 3 ? 1 + random() % 9 : random() % 10));
    if (fraction > 0 || random() % 8 == 0) s += '.';
    for (int k = 0; k < fraction; ++k) s += static_cast<char>('0' + (random() % 3 == 0 ? 0 : random() % 10));
    if (random() % 16 == 0) s += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
    if (!IsShortestNumberText(s)) continue;
    ++kept;
    ASSERT_EQ(printed(s), s);
  }
  // Most short decimals are kept: the check is not one that keeps nothing.
  EXPECT_GT(kept, 40000);
}

// Seams that make the reading child fail as a broken workbook could make the
// import library fail.
void AbortInChild() { std::abort(); }
void CrashInChild() { std::raise(SIGSEGV); }
void HangInChild() {
  for (;;) ::pause();
}

TEST_F(TableFiles, AWorkbookThatStopsItsReaderIsRefusedAndTheProgramGoesOn) {
  const QString xlsx = Path(QStringLiteral("spinel.xlsx"));
  WriteXlsx(xlsx);
  const struct {
    const char* what;
    void (*hook)();
    WorkbookReading reading;
    QString error;
  } cases[] = {
      {"abort", AbortInChild, WorkbookReading::ChildFailed,
       QStringLiteral("\"%1\" is a broken workbook and cannot be read: the workbook library stopped on it.")},
      {"crash", CrashInChild, WorkbookReading::ChildFailed,
       QStringLiteral("\"%1\" is a broken workbook and cannot be read: the workbook library stopped on it.")},
      {"hang", HangInChild, WorkbookReading::TimedOut,
       QStringLiteral("\"%1\" cannot be read: reading the workbook took longer than 1 s.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WorkbookSeams().BeforeParse = c.hook;
    WorkbookSeams().TimeoutMs = 300;
    ImportedTable table;
    const ImportResult r = ImportTable(xlsx, {}, table);
    WorkbookSeams() = WorkbookReaderSeams{};
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Error, c.error.arg(xlsx));
    EXPECT_TRUE(table.Columns.empty());
    // The next workbook reads as ever.
    ASSERT_TRUE(ImportTable(xlsx, {}, table).Ok);
    EXPECT_EQ(WorkbookSeams().Last, WorkbookReading::InChild);
    EXPECT_EQ(GridRows(table), (Rows{{"About#"}, {"spinel data"}}));
  }
}

TEST_F(TableFiles, BrokenWorkbooksAreRefused) {
  struct Case {
    QString name;
    QByteArray bytes;
    QString error;
  };
  const QString bomb = Path(QStringLiteral("bomb.xlsx"));
  const QString ods = Path(QStringLiteral("locked.ods"));
  const QString xls = Path(QStringLiteral("locked.xlsx"));
  const QString broken = Path(QStringLiteral("broken.xlsx"));
  const QString torn = Path(QStringLiteral("torn.ods"));
  QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  ole += QByteArray(512, '\0');
  QByteArray tornBytes = test::OdsFile({{"S", {{"A", "B"}, {"1", "2"}}}});
  tornBytes.truncate(tornBytes.size() / 2);
  // A letter of a stored sheet part changed after its checksum was taken.
  QByteArray changed = HandMadeXlsx("");
  changed.replace("<t>first</t>", "<t>First</t>");
  const Case cases[] = {
      {bomb, test::StoredZip({{"[Content_Types].xml", "x"}, {"xl/workbook.xml", "x"}}, 0x7FFFFFFF),
       QStringLiteral("\"%1\" was refused: its parts would unpack to 4095 MB, far more than a table of this "
                      "size holds.")},
      {ods, test::OdsFile({{"S", {{"A", "B"}, {"1", "2"}}}}, true),
       QStringLiteral("\"%1\" is an encrypted workbook, which Varnel cannot read.\n\rSave it without a "
                      "password first.")},
      {xls, ole,
       QStringLiteral(
           "\"%1\" is an encrypted workbook or one in the old binary format (.xls), which Varnel cannot "
           "read.\n\rSave it as .xlsx or .ods without a password first.")},
      {broken, QByteArray("PK\x03\x04", 4) + QByteArray(100, 'x'),
       QStringLiteral("\"%1\" is a broken workbook: its table of contents cannot be read.")},
      {Path(QStringLiteral("letters.ods")), test::StoredZip({{"readme.txt", "hello"}}),
       QStringLiteral("\"%1\" is not a workbook Varnel can read (.xlsx or .ods).")},
      {torn, tornBytes, QStringLiteral("\"%1\" is a broken workbook: its table of contents cannot be read.")},
      {Path(QStringLiteral("changed.xlsx")), changed,
       QStringLiteral("\"%1\" is a broken or encrypted workbook and cannot be read:\n\rthe part "
                      "xl/tables/first.xml is damaged")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    test::WriteFileOrFail(c.name, c.bytes);
    ImportedTable table;
    const ImportResult r = ImportTable(c.name, {}, table);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Error, c.error.arg(c.name));
    EXPECT_TRUE(table.Columns.empty());
  }
}

// The import library's message may quote a byte it read beyond the end of
// a part; the message shown holds printable text only.
TEST_F(TableFiles, TheLibrarysMessageIsShownAsPrintableText) {
  const QString copy = Write(
      QStringLiteral("stray.ods"),
      test::ReadFile(QStringLiteral(VARNEL_SOURCE_DIR "/fuzz/findings/workbook-stray-byte-in-message.ods")));
  for (int k = 0; k < 3; ++k) {
    ImportedTable table;
    const ImportResult r = ImportTable(copy, {}, table);
    ASSERT_FALSE(r.Ok);
    EXPECT_TRUE(
        r.Error.startsWith(QStringLiteral("\"%1\" is a broken or encrypted workbook and cannot be read:\n\r"
                                          "malformed_xml_error: ")
                               .arg(copy)))
        << r.Error.toStdString();
    const QString why = r.Error.mid(r.Error.indexOf(QStringLiteral("\n\r")) + 2);
    for (const QChar ch : why) EXPECT_TRUE(ch.isPrint()) << static_cast<int>(ch.unicode());
  }
}

// The grid of an imported table, for export.
ExportGrid GridOf(const ImportedTable& t, char separator = '.') {
  ExportGrid g;
  g.ColCount = static_cast<int>(t.Columns.size());
  g.RowCount = t.RowCount;
  g.Cell = [&t](int c, int r) {
    return t.Columns[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)].View();
  };
  g.DecimalSeparator = separator;
  return g;
}

TEST_F(TableFiles, ExportedTablesReadBackAsTheSameSheet) {
  const std::string source =
      "Mineral,SiO2,Cr2O3,Reference\n"
      "spinel,0.120,45.3,\"Barnes and Kunilov, 2000\"\n"
      "\"chromite \"\"B\"\"\",<0.01,n.d.,\"two\nlines\"\n"
      "magnetite,,1e-3,\n";
  const Imported original = FromBytes(source);
  ASSERT_TRUE(original.result.Ok);
  for (const char* name : {"out.csv", "out.xlsx"}) {
    SCOPED_TRACE(name);
    QString error;
    ASSERT_TRUE(ExportTable(GridOf(original.table), Path(QLatin1String(name)), &error))
        << error.toStdString();
    ImportedTable back;
    const ImportResult r = ImportTable(Path(QLatin1String(name)), {}, back);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    Rows expected = GridRows(original.table);
    // A workbook keeps numbers as numbers: 0.120 comes back as 0.12, 1e-3
    // as 0.001.
    if (std::string(name) == "out.xlsx") {
      expected[1][1] = "0.12";
      expected[3][2] = "0.001";
    }
    EXPECT_EQ(GridRows(back), expected);
  }
  // Only the included cases, and numbers with decimal commas written with
  // points.
  const Imported comma =
      FromBytes("A;B\nx;1,5\ny;2,5\n", TableImportOptions{0, 0, -1, -1, {}, LimitReading::Missing, ','});
  ASSERT_TRUE(comma.result.Ok);
  ExportGrid g = GridOf(comma.table, ',');
  g.Wanted = [](int row) { return row == 2; };
  EXPECT_EQ(CsvText(g), "A#,B\r\ny,2.5\r\n");
  QString error;
  EXPECT_FALSE(ExportTable(g, Path(QStringLiteral("out.ods")), &error));
  EXPECT_EQ(error, QStringLiteral("\"%1\": tables are exported as .csv or .xlsx files.")
                       .arg(Path(QStringLiteral("out.ods"))));
}

TEST_F(TableFiles, KindOfFile) {
  struct Case {
    const char* name;
    QByteArray bytes;
    TableKind kind;
  };
  const Case cases[] = {
      {"a.vnp", "A\tB\n", TableKind::DataFile},   {"a.txt", "; Varnel\n;;\nA\tB\n", TableKind::DataFile},
      {"b.txt", "A\tB\n1\t2\n", TableKind::Text}, {"a.CSV", "A,B\n", TableKind::Text},
      {"a.tsv", "A\tB\n", TableKind::Text},       {"a.dat", "PK\x03\x04", TableKind::Workbook},
      {"a.ods", "", TableKind::Workbook},
  };
  for (const Case& c : cases) EXPECT_EQ(TableKindOf(Write(QLatin1String(c.name), c.bytes)), c.kind) << c.name;
}

}  // namespace
}  // namespace varnel
