// The files of a message in the window's chat preview: pictures inline, scaled
// and carried as data: URLs (no file path reaches the page), other files named.
#pragma once

#include <vector>

#include <QSize>
#include <QString>

#include "engine/BackupRecords.h"

namespace PreviewAttachments {

// Largest picture shown in a bubble.
QSize PictureLimit();

// Safe HTML (escaped names, no script) to append to a bubble; empty without files.
QString Html(const std::vector<_MESSAGE_ATTACHMENT_>& files);

} // namespace PreviewAttachments
