// Checking an export against its manifest-<stamp>.json: every listed file is
// hashed again where the manifest says it is. The manifest may come from anyone,
// so its paths are taken only when they stay inside the manifest's folder, and no
// link is followed on the way.
#pragma once

#include <vector>

#include <QString>

enum class ManifestProblem { Missing, Changed, Refused };

struct ManifestFinding {
    QString strPath;   // as the manifest lists it
    ManifestProblem problem;
    QString strDetail;
};

struct ManifestVerification {
    bool bReadable = false;
    QString strError;   // why the manifest itself could not be used
    int nChecked = 0;
    int nIntact = 0;
    std::vector<ManifestFinding> vecFindings;
    bool AllIntact() const { return bReadable && vecFindings.empty(); }
};

// A relative path made only of ordinary names: no leading "/", no "." or ".."
// component, no empty one, no NUL.
bool IsSafeRelativePath(const QString& path);

ManifestVerification VerifyRecoveryManifest(const QString& manifestPath);
