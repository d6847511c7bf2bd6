#include "tools/sample/SampleOptions.h"

bool ParseSampleLayout(const QString& text, SampleOptions::Layout* layout)
{
    if (text == QLatin1String("new"))
        *layout = SampleOptions::Layout::New;
    else if (text == QLatin1String("old"))
        *layout = SampleOptions::Layout::Old;
    else
        return false;
    return true;
}

bool ParseSampleScale(const QString& text, SampleOptions::Scale* scale)
{
    if (text == QLatin1String("tiny"))
        *scale = SampleOptions::Scale::Tiny;
    else if (text == QLatin1String("small"))
        *scale = SampleOptions::Scale::Small;
    else if (text == QLatin1String("large"))
        *scale = SampleOptions::Scale::Large;
    else
        return false;
    return true;
}

int SampleTargetEntryCount(SampleOptions::Scale scale)
{
    switch (scale) {
    case SampleOptions::Scale::Tiny:
        // Room for filler after the databases, the media (camera-roll library
        // included) and the files messages name.
        return 300;
    case SampleOptions::Scale::Small:
        return 3000;
    case SampleOptions::Scale::Large:
        return 200000;
    }
    return 260;
}
