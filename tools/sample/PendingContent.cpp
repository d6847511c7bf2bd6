// Placeholders for the content producers written in other units; each moves
// to its own file when it lands (and is deleted here).
#include "tools/sample/SampleContent.h"

void AddMediaFiles(SampleBackup&, const SampleOptions&)
{
}
