#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "export/ExportNames.h"
#include "export/ExportText.h"
#include "export/VCardWriter.h"

class TestExportText : public QObject {
    Q_OBJECT
private slots:
    void htmlEscaping();
    void csvFieldsReadBackWithPython();
    void templateSplit();
    void safeComponents();
    void freeNames();
    void vcardCards();
    void vcardFromTheAddressBook();
};

void TestExportText::htmlEscaping()
{
    QCOMPARE(HtmlEscape("<script>alert('x')</script> & \"q\""),
             std::string("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;"));
    // UTF-8 (accents, emoji) and even invalid bytes pass through unchanged.
    const std::string mixed = "caf\xc3\xa9 \xf0\x9f\x98\x80 \xff";
    QCOMPARE(HtmlEscape(mixed), mixed);
    QCOMPARE(HtmlEscape(""), std::string());
}

void TestExportText::csvFieldsReadBackWithPython()
{
    const std::vector<std::string> fields = {"plain", "a,b", "say \"hi\"", "two\nlines", "cr\rhere", "", "\"", "x,\"y\"\r\n"};
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line.push_back(',');
        AppendCsvField(line, fields[i]);
    }
    line.push_back('\n');
    QCOMPARE(line.substr(0, 16), std::string("plain,\"a,b\",\"say"));

    if (QStandardPaths::findExecutable("python3").isEmpty())
        QSKIP("python3 not available");
    QProcess py;
    py.start("python3", {"-c", "import csv,sys,json\n"
                               "rows=list(csv.reader(sys.stdin.buffer.read().decode('utf-8').splitlines(True)))\n"
                               "print(json.dumps(rows))"});
    QVERIFY(py.waitForStarted());
    py.write(QByteArray::fromStdString(line));
    py.closeWriteChannel();
    QVERIFY(py.waitForFinished());
    const QJsonArray rows = QJsonDocument::fromJson(py.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 1);
    const QJsonArray row = rows[0].toArray();
    QCOMPARE(row.size(), int(fields.size()));
    for (int i = 0; i < row.size(); ++i)
        QCOMPARE(row[i].toString().toStdString(), fields[i]);
}

void TestExportText::templateSplit()
{
    std::string head, tail;
    // A, title, B, title, C, content, D, title: both heads titles replaced, the third kept.
    SplitTemplate("A{|title|}B{|title|}C{|content|}D{|title|}", "iPhone's Notes of X", head, tail);
    QCOMPARE(head, std::string("AiPhone's Notes of XBiPhone's Notes of XC"));
    QCOMPARE(tail, std::string("D{|title|}"));

    // A title that itself holds the placeholder is inserted once, not expanded again.
    SplitTemplate("<{|title|}>{|title|}{|content|}", "n{|title|}", head, tail);
    QCOMPARE(head, std::string("<n{|title|}>n{|title|}"));

    SplitTemplate("{|content|}rest", "t", head, tail);
    QCOMPARE(head, std::string());
    QCOMPARE(tail, std::string("rest"));
    SplitTemplate("top{|content|}", "t", head, tail);
    QCOMPARE(head, std::string("top"));
    QCOMPARE(tail, std::string());
    // Only the first content placeholder splits.
    SplitTemplate("a{|content|}b{|content|}", "t", head, tail);
    QCOMPARE(tail, std::string("b{|content|}"));
    // No placeholder: the whole text is the head.
    SplitTemplate("{|title|} only", "T", head, tail);
    QCOMPARE(head, std::string("T only"));
    QCOMPARE(tail, std::string());

    std::string s = "{|person|}{|person|}";
    ReplaceForward(s, "{|person|}", "{|person|}!");
    QCOMPARE(s, std::string("{|person|}!{|person|}!"));
}

void TestExportText::safeComponents()
{
    QCOMPARE(SafeComponent("../../x"), std::string(".._.._x"));
    QCOMPARE(SafeComponent("a/b\\c"), std::string("a_b_c"));
    QCOMPARE(SafeComponent(std::string("n\0ul", 4)), std::string("n_ul"));
    QCOMPARE(SafeComponent(".."), std::string("_.."));
    QCOMPARE(SafeComponent(""), std::string("_"));
    QCOMPARE(SafeComponent("..", "-20260101000000"), std::string("..-20260101000000"));

    // A long name is shortened on a character boundary, its suffix kept, room left.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "\xc3\xa9"; // é, 400 bytes
    const std::string c = SafeComponent(longName, "-20261208174100", kFreeNameReserve);
    QVERIFY(c.size() <= 255 - kFreeNameReserve);
    QVERIFY(QString::fromUtf8(c.data(), int(c.size())).toUtf8().toStdString() == c); // still valid UTF-8
    QVERIFY(c.size() > 200);
    QCOMPARE(c.substr(c.size() - 15), std::string("-20261208174100"));

    const std::string f = SafeFileName(std::string(300, 'a') + ".JPG");
    QVERIFY(f.size() <= 255 - kFreeNameReserve);
    QCOMPARE(f.substr(f.size() - 4), std::string(".JPG"));
    QCOMPARE(SafeFileName("IMG_0001.JPG"), std::string("IMG_0001.JPG"));
    QCOMPARE(SafeFileName("a/../b.png"), std::string("a_.._b.png"));
}

void TestExportText::freeNames()
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    QCOMPARE(FreeFileName(d + "/f.txt"), d + "/f.txt");
    QFile(QString::fromStdString(d + "/f.txt")).open(QIODevice::WriteOnly);
    QFile(QString::fromStdString(d + "/f(1).txt")).open(QIODevice::WriteOnly);
    QCOMPARE(FreeFileName(d + "/f.txt"), d + "/f(2).txt");
    // No extension; a dot in a folder name is not one.
    QDir(dir.path()).mkdir("x.d");
    QFile(QString::fromStdString(d + "/x.d/notes")).open(QIODevice::WriteOnly);
    QCOMPARE(FreeFileName(d + "/x.d/notes"), d + "/x.d/notes(1)");
    // A dangling link counts as taken: writing through it would land elsewhere.
    QVERIFY(QFile::link(dir.path() + "/nowhere", dir.path() + "/link.jpg"));
    QCOMPARE(FreeFileName(d + "/link.jpg"), d + "/link(1).jpg");
}

void TestExportText::vcardCards()
{
    const __PERSON_CONTENT__ p = TestContact("Smith; John, Jr.\\", "+1 555 0100\n 555-0101 \r\n\n",
                                             "a@example.com\nb@example.com", "ACME, Inc.", "https://example.com/?a=1,2");
    std::string card;
    AppendVCard(card, p);
    QVERIFY(card.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\n", 0) == 0);
    QVERIFY(card.find("FN:Smith\\; John\\, Jr.\\\\\r\n") != std::string::npos);
    QVERIFY(card.find("TEL;TYPE=VOICE:+1 555 0100\r\n") != std::string::npos);
    QVERIFY(card.find("TEL;TYPE=VOICE:555-0101\r\n") != std::string::npos);
    QCOMPARE(QString::fromStdString(card).count("TEL;"), 2);
    QCOMPARE(QString::fromStdString(card).count("EMAIL;"), 2);
    QVERIFY(card.find("ORG:ACME\\, Inc.\r\n") != std::string::npos);
    QVERIFY(card.find("URL:https://example.com/?a=1,2\r\n") != std::string::npos);
    QVERIFY(card.size() >= 11 && card.substr(card.size() - 11) == "END:VCARD\r\n");

    // Long values fold at 75 bytes without splitting a character; unfolding restores them.
    __PERSON_CONTENT__ longOne;
    longOne.strPhone = "1";
    for (int i = 0; i < 60; ++i)
        longOne.strName += "\xe2\x82\xac"; // €
    std::string folded;
    AppendVCard(folded, longOne);
    for (const QByteArray& line : QByteArray::fromStdString(folded).split('\n')) {
        QVERIFY(line.size() <= 76); // 75 + the CR
        QVERIFY(QString::fromUtf8(line).toUtf8() == line);
    }
    std::string unfolded = folded;
    ReplaceForward(unfolded, "\r\n ", "");
    QVERIFY(unfolded.find("FN:" + longOne.strName + "\r\n") != std::string::npos);
}

void TestExportText::vcardFromTheAddressBook()
{
    __PERSON_CONTENT__ p;
    p.strGiven = "Anna";
    p.strMiddle = "Maria";
    p.strFamily = "Berg; Lund";
    p.strPrefix = "Dr.";
    p.strName = "Anna Maria Berg; Lund";
    p.strCompany = "Acme, Inc.";
    p.strTitle = "CTO";
    p.strNote = "line one\nback\\slash";
    p.strBirthday = "--12-24";
    p.vecPhones = {{"_$!<Mobile>!$_", "(555) 010-0479"}, {"iPhone", "+1 555 0100"}, {"_$!<Home>!$_", "1"},
                   {"_$!<Work>!$_", "2"}, {"_$!<Main>!$_", "3"}, {"_$!<Other>!$_", "4"}, {"_$!<HomeFAX>!$_", "5"},
                   {"_$!<WorkFAX>!$_", "6"}, {"_$!<Pager>!$_", "7"}, {"TextNow", "8,9"}, {"", "10"}};
    p.vecEmails = {{"_$!<Work>!$_", "a@example.com"}, {"Uni", "b@example.org"}};
    p.vecUrls = {{"_$!<HomePage>!$_", "https://example.com/?a=1,2\r\nEND:VCARD"}};
    __CONTACT_ADDRESS__ home;
    home.strLabel = "_$!<Home>!$_";
    home.strStreet = "1 Main St\nApt 2";
    home.strCity = "Springfield";
    home.strZip = "62701";
    home.strCountry = "United States";
    p.vecAddresses = {home};
    std::string card;
    AppendVCard(card, p);
    for (const char* line : {
             "N:Berg\\; Lund;Anna;Maria;Dr.;\r\n", "FN:Anna Maria Berg\\; Lund\r\n", "ORG:Acme\\, Inc.\r\n",
             "TITLE:CTO\r\n", "TEL;TYPE=CELL:(555) 010-0479\r\n", "TEL;TYPE=CELL:+1 555 0100\r\n",
             "TEL;TYPE=HOME:1\r\n", "TEL;TYPE=WORK:2\r\n", "TEL;TYPE=VOICE:3\r\n", "TEL;TYPE=VOICE:4\r\n",
             "TEL;TYPE=HOME,FAX:5\r\n", "TEL;TYPE=WORK,FAX:6\r\n", "TEL;TYPE=PAGER:7\r\n",
             "item1.TEL:8\\,9\r\nitem1.X-ABLabel:TextNow\r\n", "TEL;TYPE=VOICE:10\r\n",
             "EMAIL;TYPE=INTERNET,WORK:a@example.com\r\n",
             "item2.EMAIL;TYPE=INTERNET:b@example.org\r\nitem2.X-ABLabel:Uni\r\n",
             "ADR;TYPE=HOME:;;1 Main St\\nApt 2;Springfield;;62701;United States\r\n",
             "URL:https://example.com/?a=1,2END:VCARD\r\n",  // no line break smuggled in
             "BDAY;X-APPLE-OMIT-YEAR=1604:1604-12-24\r\n", "NOTE:line one\\nback\\\\slash\r\n"}) {
        QVERIFY2(card.find(line) != std::string::npos, line);
    }
    // Each number once, in the phone's order.
    QCOMPARE(QString::fromStdString(card).count("TEL"), 11);
    QVERIFY(card.find(":1\r\n") < card.find(":2\r\n"));
    QCOMPARE(QString::fromStdString(card).count("\r\nEND:VCARD\r\n"), 1);

    // A company card: the organisation names it, the name slots stay empty.
    __PERSON_CONTENT__ company;
    company.strName = company.strCompany = "Northwind";
    company.vecPhones = {{"_$!<Main>!$_", "3"}};
    std::string companyCard;
    AppendVCard(companyCard, company);
    QVERIFY(companyCard.find("N:;;;;\r\nFN:Northwind\r\nORG:Northwind\r\n") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestExportText)
#include "tst_exporttext.moc"
