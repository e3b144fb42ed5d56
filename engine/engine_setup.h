#pragma once

// How the engine instance is made: where libvlc's plug-ins are, the environment
// it reads, and the options it is given.

#include <QString>
#include <QStringList>

namespace velmo {

// The first of `candidates` that exists (each is a folder holding libvlc's
// "plugins"), or empty when none does.
QString findEngineFolder(const QStringList& candidates);

// Points libvlc at the plug-ins in `folder` and quiets its log, replacing
// whatever the environment held.
void prepareEngineEnvironment(const QString& folder);

// The fixed options, then the looks of libvlc's own subtitle renderer (for
// embedded tracks and files handed to it), in the subtitle font `fontFamily`
// ("Helvetica" when empty).
QStringList engineArguments(const QString& fontFamily);

} // namespace velmo
