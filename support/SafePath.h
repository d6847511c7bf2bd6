// Names from a backup (display names, app identifiers, contact and chat names)
// become a single path component that cannot leave the folder it is joined to.
#pragma once

#include <string>

#include <QString>

std::string SafePathComponent(const std::string& name);
QString SafePathComponent(const QString& name);
