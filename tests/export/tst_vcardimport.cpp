#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "tools/sample/PhoneDatabases.h"
#include "tools/sample/SampleGenerator.h"

// The contacts of a generated backup, exported by quillmere-cli, read back by
// another program's vCard parser (python3-vobject) and compared card by card
// with what the generator wrote into the address book.
class TestVCardImport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exportedCardsReadBack();

private:
    bool RunCheck(const QString& vcf, QByteArray* output);
    QTemporaryDir m_dir;
    QString m_strPython;
    QString m_strExpected;
};

namespace {
const uint64_t kSeed = 11;

QJsonArray Labelled(const QStringList& values, const QStringList& labels)
{
    QJsonArray out;
    for (int i = 0; i < values.size(); ++i)
        out.append(QJsonArray{values[i], labels.value(i)});
    return out;
}

QJsonObject ExpectedCard(const SamplePerson& p)
{
    QJsonObject card;
    card["fn"] = SampleDisplayName(p);
    const bool named = !p.strFirst.isEmpty() || !p.strLast.isEmpty() || !p.strMiddle.isEmpty();
    card["n"] = named || !p.strPrefix.isEmpty() || !p.strSuffix.isEmpty()
                    ? QJsonArray{p.strLast, p.strFirst, p.strMiddle, p.strPrefix, p.strSuffix}
                    : QJsonArray{"", "", "", "", ""};
    card["org"] = p.strOrganization;
    card["title"] = p.strJobTitle;
    card["note"] = p.strNote;
    card["bday"] = p.strBirthday.startsWith("--") ? "1604" + p.strBirthday.mid(1) : p.strBirthday;
    card["tel"] = Labelled(p.vecStoredNumbers, p.vecNumberLabels);
    card["email"] = p.strEmail.isEmpty() ? QJsonArray() : Labelled({p.strEmail}, {p.strEmailLabel});
    card["url"] = p.strUrl.isEmpty() ? QJsonArray() : Labelled({p.strUrl}, {p.strUrlLabel});
    QJsonArray addresses;
    for (const SampleAddress& a : p.vecAddresses)
        addresses.append(QJsonArray{QJsonArray{a.strStreet, a.strCity, a.strState, a.strZip, a.strCountry}, a.strLabel});
    card["adr"] = addresses;
    return card;
}
} // namespace

void TestVCardImport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Debian's interpreter first: python3-vobject installs for it, whatever else is on PATH.
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        if (QProcess::execute(candidate, {"-c", "import vobject"}) == 0) {
            m_strPython = candidate;
            break;
        }
    }
    QVERIFY2(!m_strPython.isEmpty(), "python3 with vobject is needed (tools/setup.sh installs python3-vobject)");

    QJsonArray expected;
    for (const SamplePerson& p : SampleAddressBook(PhoneDataScaleFor(SampleOptions::Scale::Tiny), kSeed))
        expected.append(ExpectedCard(p));
    m_strExpected = m_dir.filePath("expected.json");
    QVERIFY(WriteText(m_strExpected, QJsonDocument(expected).toJson()));
}

bool TestVCardImport::RunCheck(const QString& vcf, QByteArray* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(m_strPython, {QStringLiteral(QM_SOURCE_DIR) + "/tests/export/check_vcard.py", m_strExpected, vcf});
    p.waitForFinished(120000);
    *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void TestVCardImport::exportedCardsReadBack()
{
    SampleOptions options;
    options.seed = kSeed;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, m_dir.filePath("backups"), &backup, &error), qPrintable(error));

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLMERE_SUPPORT_DIR", m_dir.filePath("support") + "/");
    env.insert("QUILLMERE_BACKUP_ROOT", m_dir.filePath("backups") + "/");
    cli.setProcessEnvironment(env);
    const QString dest = m_dir.filePath("out");
    cli.start(QStringLiteral(QM_BIN_DIR) + "/quillmere-cli", {"export", backup, dest, "--only", "contacts"});
    QVERIFY(cli.waitForFinished(300000));
    QCOMPARE(cli.exitCode(), 0);
    const QStringList stamps = QDir(dest + "/Contacts").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(stamps.size(), 1);
    const QString vcf = dest + "/Contacts/" + stamps[0] + "/Contacts.vcf";

    QByteArray output;
    QVERIFY2(RunCheck(vcf, &output), output.constData());

    // The check itself sees a wrong label, a lost number and a number with its
    // search variants.
    const QByteArray good = QByteArray::fromStdString(ReadAll(vcf));
    const QList<QPair<QByteArray, QByteArray>> faults = {
        {"TEL;TYPE=CELL:(555) 123-4567", "TEL;TYPE=HOME:(555) 123-4567"},
        {"X-ABLabel:TextNow", "X-ABLabel:Other"},
        {"TEL;TYPE=HOME:03-1234-5678\r\n", ""},
        {"TEL;TYPE=CELL:(555) 123-4567", "TEL;TYPE=CELL:(555) 123-4567 +15551234567"},
    };
    for (const auto& fault : faults) {
        QVERIFY2(good.contains(fault.first), fault.first.constData());
        QByteArray bad = good;
        bad.replace(fault.first, fault.second);
        const QString badPath = m_dir.filePath("bad.vcf");
        QVERIFY(WriteText(badPath, bad));
        QVERIFY2(!RunCheck(badPath, &output), fault.first.constData());
    }
}

QTEST_GUILESS_MAIN(TestVCardImport)
#include "tst_vcardimport.moc"
