// A program of the build run as a child process under a watchdog: one that blocks
// (on a FIFO planted in a backup, say) is killed and fails its test instead of
// hanging the whole run.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTextStream>

struct CliRun {
    int nExit = -1;         // -1 when it crashed or was killed
    bool bFinished = false; // false: the watchdog had to stop it
    QByteArray out;
    QByteArray err;
};

inline CliRun RunProgram(const QString& program, const QStringList& args, const QByteArray& input = QByteArray(),
                         const QString& supportDir = QString(), int timeoutMs = 300000)
{
    CliRun run;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!supportDir.isEmpty())
        env.insert(QStringLiteral("QUILLMERE_SUPPORT_DIR"), supportDir);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QM_BIN_DIR "/") + program, args);
    if (!p.waitForStarted(30000))
        return run;
    p.write(input);
    p.closeWriteChannel();
    run.bFinished = p.waitForFinished(timeoutMs);
    if (!run.bFinished) {
        p.kill();
        p.waitForFinished(10000);
    }
    run.nExit = run.bFinished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

inline CliRun RunCli(const QStringList& args, const QByteArray& input = QByteArray(),
                     const QString& supportDir = QString(), int timeoutMs = 300000)
{
    return RunProgram(QStringLiteral("quillmere-cli"), args, input, supportDir, timeoutMs);
}

// A command of quillmere-cli called in this process: its exit code and what it wrote.
struct CommandRun {
    int code = -1;
    QString out;
    QString err;
};

inline CommandRun Call(int (*command)(const QStringList&, QTextStream&, QTextStream&), const QStringList& args)
{
    CommandRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = command(args, out, err);
    out.flush();
    err.flush();
    return run;
}
