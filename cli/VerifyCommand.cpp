// quillmere-cli verify MANIFEST_JSON [--json]
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliSupport.h"
#include "export/ManifestVerify.h"

namespace {
QString ProblemWord(ManifestProblem problem)
{
    switch (problem) {
    case ManifestProblem::Missing:
        return QStringLiteral("missing");
    case ManifestProblem::Changed:
        return QStringLiteral("changed");
    case ManifestProblem::Refused:
        return QStringLiteral("refused");
    }
    return QString();
}
}

int RunVerifyCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parsed;
    const int stop = ParseCliCommand(*FindCliCommand(QStringLiteral("verify")), args, &parsed, out, err);
    if (stop >= 0)
        return stop;
    const QString manifest = QFileInfo(parsed.positionalArguments().at(0)).absoluteFilePath();
    const ManifestVerification result = VerifyRecoveryManifest(manifest);
    if (!result.bReadable) {
        err << "quillmere-cli verify: " << result.strError << "\n";
        err.flush();
        return 2;
    }
    int missing = 0, changed = 0, refused = 0;
    for (const ManifestFinding& f : result.vecFindings)
        ++(f.problem == ManifestProblem::Missing ? missing : f.problem == ManifestProblem::Changed ? changed : refused);
    if (parsed.isSet(CliOption::Json())) {
        QJsonArray problems;
        for (const ManifestFinding& f : result.vecFindings) {
            QJsonObject o;
            o.insert(QStringLiteral("path"), f.strPath);
            o.insert(QStringLiteral("problem"), ProblemWord(f.problem));
            o.insert(QStringLiteral("detail"), f.strDetail);
            problems.append(o);
        }
        QJsonObject doc;
        doc.insert(QStringLiteral("manifest"), manifest);
        doc.insert(QStringLiteral("checked"), result.nChecked);
        doc.insert(QStringLiteral("intact"), result.nIntact);
        doc.insert(QStringLiteral("missing"), missing);
        doc.insert(QStringLiteral("changed"), changed);
        doc.insert(QStringLiteral("refused"), refused);
        doc.insert(QStringLiteral("problems"), problems);
        WriteJson(out, doc);
    } else {
        for (const ManifestFinding& f : result.vecFindings)
            out << ProblemWord(f.problem) << ": " << f.strPath << (f.strDetail.isEmpty() ? QString() : ": " + f.strDetail)
                << "\n";
        out << "Checked: " << result.nChecked << ", intact: " << result.nIntact << ", missing: " << missing
            << ", changed: " << changed << ", refused: " << refused << "\n";
        out.flush();
    }
    return result.AllIntact() ? 0 : 1;
}
