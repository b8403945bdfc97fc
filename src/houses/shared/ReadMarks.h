#pragma once

#include <QString>
#include <QVariantMap>

// The read marks of posts: the property-list dictionary "hasReadPostId" in the document
// folder, post puid -> "1". The post detail writes a mark each time a post opens; the list
// cells only read them. A missing or unreadable file means nothing is read yet.
class ReadMarks {
public:
    [[nodiscard]] static QString path();
    // Adds the puid to the file (an empty puid is not marked).
    static void markRead(const QString& puid);
    // Whether the puid has a mark. The file is read again whenever it changed on disk or
    // was written through markRead, so a cached copy never hides a new mark.
    [[nodiscard]] static bool isRead(const QString& puid);
};
