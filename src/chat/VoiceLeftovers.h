#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// The voice files a recording leaves that nothing can play any more. A recording is named by
// its start time in whole seconds (with "-2", "-3", ... for a second one in the same second):
// the recorder's WAV lies under that name in the temporary folder (with ".wav" once its AMR
// was decoded for playing), the encoded AMR in the AMR cache until it is uploaded, when it
// moves to the name of its URL (the MD5 of the URL, 32 upper-case hexadecimal digits), the
// name under which voices fetched by URL are kept too. What no stored message points at
// ("file://<name>", a voice not yet sent) is of no use once its screen is gone: a cancelled or
// too short recording, one cut off by the end of the process, a voice sent long ago, a need's
// note never sent. An uploaded or fetched voice that no stored message or need names is of no
// use either: the note of a need that was never kept, a voice of a deleted talk.
namespace VoiceLeftovers {

// Whether `fileName` is a recording's, or the decoded form of one.
[[nodiscard]] bool isRecordingName(const QString& fileName);
// Whether `fileName` is the name of a voice's URL.
[[nodiscard]] bool isUploadedName(const QString& fileName);

// The files the stores under `documents` name: the recordings their messages point at, and
// the names of the voice URLs of their messages and needs; nothing when a store could not be
// read (then nothing is known to be free).
[[nodiscard]] std::optional<QSet<QString>> namesInStores(const QString& documents);

// Removes from the folders the recordings begun before `before` (seconds since 1970) and the
// voices kept by URL that are not in `kept`; the number of files removed.
int removeUnused(const QSet<QString>& kept, qint64 before, const QStringList& folders);

// Removes one recording from both folders: the WAV, its decoded form and its AMR, given the
// path of any of them.
void removeRecording(const QString& path);

// What the app does at launch, off the main thread: every recording begun before now and
// every voice kept by URL that no stored message or need names goes. The folders are the
// sandbox's of the moment of the call.
void clearAtLaunch();

}  // namespace VoiceLeftovers
