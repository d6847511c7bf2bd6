// The decryptor program's output: every line arrives, in order, while count lines
// are written out in batches and every other line at once.
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include "decryptor/DecryptLineWriter.h"

namespace {

// A pipe whose writing end is a buffered stream, as the program's standard output
// is when the window or the command line reads it.
struct Pipe {
    FILE* out = nullptr;
    int in = -1;
    Pipe()
    {
        int fds[2];
        if (pipe(fds) != 0)
            qFatal("pipe");
        in = fds[0];
        fcntl(in, F_SETFL, O_NONBLOCK);
        out = fdopen(fds[1], "w");
        setvbuf(out, nullptr, _IOFBF, 1 << 16);
    }
    ~Pipe()
    {
        if (out)
            fclose(out);
        close(in);
    }
    // What the reader can see now.
    QByteArray Available()
    {
        QByteArray got;
        char buffer[4096];
        ssize_t n;
        while ((n = read(in, buffer, sizeof buffer)) > 0)
            got.append(buffer, int(n));
        return got;
    }
};

} // namespace

class TestDecryptLineWriter : public QObject {
    Q_OBJECT
private slots:
    void countsWaitOtherLinesGoOutAtOnce();
    void everyCountOfALongRunArrivesInOrder();
};

void TestDecryptLineWriter::countsWaitOtherLinesGoOutAtOnce()
{
    Pipe pipe;
    int64_t now = 1000;
    {
        CDecryptLineWriter writer(pipe.out, 50, [&now] { return now; });
        // The first count shows at once that the run has begun.
        writer.Write("Count: 1");
        QCOMPARE(pipe.Available(), QByteArray("Count: 1\n"));
        now += 10;
        writer.Write("Count: 2");
        writer.Write("Count: 3");
        QCOMPARE(pipe.Available(), QByteArray());
        // Another line goes out at once, after the counts it follows.
        writer.Write("Skipped 0123456789abcdef0123456789abcdef01234567: stored file is missing");
        QCOMPARE(pipe.Available(),
                 QByteArray("Count: 2\nCount: 3\nSkipped 0123456789abcdef0123456789abcdef01234567: "
                            "stored file is missing\n"));
        now += 10;
        writer.Write("Count: 4");
        QCOMPARE(pipe.Available(), QByteArray());
        // Once the pause has passed, the next count takes the waiting ones out.
        now += 50;
        writer.Write("Count: 5");
        QCOMPARE(pipe.Available(), QByteArray("Count: 4\nCount: 5\n"));
        writer.Write("Count: 6");
        QCOMPARE(pipe.Available(), QByteArray());
        writer.Write("Wrong password");
        QCOMPARE(pipe.Available(), QByteArray("Count: 6\nWrong password\n"));
        writer.Write("Count: 7");
    }
    // Nothing is left behind when the writer ends.
    QCOMPARE(pipe.Available(), QByteArray("Count: 7\n"));
}

void TestDecryptLineWriter::everyCountOfALongRunArrivesInOrder()
{
    Pipe pipe;
    int64_t now = 0;
    QByteArray expected, got;
    {
        CDecryptLineWriter writer(pipe.out, 50, [&now] { return now; });
        for (int i = 1; i <= 20000; ++i) {
            now += i % 7 == 0 ? 3 : 0;
            writer.Write(QStringLiteral("Count: %1").arg(i));
            expected += "Count: " + QByteArray::number(i) + '\n';
            got += pipe.Available();  // the pipe must not fill up
        }
    }
    got += pipe.Available();
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestDecryptLineWriter)
#include "tst_decryptlinewriter.moc"
