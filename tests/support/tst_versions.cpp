#include <QtTest>

#include <QProcess>

#include "support/Version.h"

// Every program answers --version with its name and the project's version;
// the decryptor only for exactly that one argument, its protocol is fixed.
class TestVersions : public QObject {
    Q_OBJECT
private slots:
    void eachProgram_data();
    void eachProgram();
    void decryptorProtocolUnchanged();
};

static QByteArray Run(const QString& program, const QStringList& args, int* exitCode)
{
    QProcess p;
    p.start(QString(QM_BIN_DIR) + "/" + program, args);
    if (!p.waitForFinished(60000))
        return QByteArray();
    *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

void TestVersions::eachProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("decryptor") << "Quillmere";
    QTest::newRow("sample") << "quillmere-sample";
    QTest::newRow("window") << "quillmere-app";
}

void TestVersions::eachProgram()
{
    QFETCH(QString, program);
    if (!QFileInfo(QString(QM_BIN_DIR) + "/" + program).isExecutable())
        QSKIP("not built here");
    int code = -1;
    QCOMPARE(Run(program, {"--version"}, &code), program.toUtf8() + " " + QuillmereVersion().toUtf8() + "\n");
    QCOMPARE(code, 0);
}

void TestVersions::decryptorProtocolUnchanged()
{
    // "--version" among other arguments is a backup folder like any other.
    int code = -1;
    const QByteArray out = Run("Quillmere", {"--version", "/nonexistent-work", "secret"}, &code);
    QVERIFY(!out.startsWith("Quillmere "));
    QVERIFY(code != 0);
}

QTEST_GUILESS_MAIN(TestVersions)
#include "tst_versions.moc"
