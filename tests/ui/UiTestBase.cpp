#include "UiTestBase.h"

#include <QSettings>
#include <QTreeWidget>
#include <QtGlobal>

#include "tools/sample/SampleGenerator.h"
#include "ui/CategoryTree.h"
#include "ui/DRUI.h"

static void InitImages()
{
    Q_INIT_RESOURCE(drui);
}

void UiTestBase::SetUpFolders()
{
    InitImages();
    m_root = std::make_unique<QTemporaryDir>();
    m_support = std::make_unique<QTemporaryDir>();
    qputenv("QUILLMERE_BACKUP_ROOT", BackupRoot().toUtf8());
    qputenv("QUILLMERE_SUPPORT_DIR", SupportDir().toUtf8());
    // The folders a window remembers go to a private settings folder, never
    // the real user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_support->path() + "/settings");
}

QString UiTestBase::AddBackup(quint64 seed, const QString& password)
{
    SampleOptions options;
    options.seed = seed;
    options.password = password;
    options.iterations = 10;
    QString dir, error;
    if (!GenerateSampleBackup(options, m_root->path(), &dir, &error)) {
        qWarning("sample backup %llu: %s", static_cast<unsigned long long>(seed), qPrintable(error));
        return QString();
    }
    return dir;
}

void UiTestBase::ShowScanResults(DRUI& w)
{
    const int order[] = {0, 1, 4, 5, 6, 7, 8, 2, 3, 9, 10};
    for (int category : order)
        CategoryTree::ShowFetched(w, w.m_pTree->topLevelItem(category), category);
    w.RefreshSelectFileInfo();
}

QPushButton* UiTestBase::FindButton(QWidget* parent, const QString& text)
{
    const auto buttons = parent->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}
