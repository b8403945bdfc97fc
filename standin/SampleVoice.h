#pragma once

#include <QByteArray>
#include <QString>

namespace standin {

// The sample broker's voice message: three seconds of a soft three-note chime, AMR-NB at
// 12.2 kbit/s ("#!AMR\n" and 150 frames), made at start as "test/voice.amr" of the image host.
class SampleVoice {
public:
    static constexpr int kSeconds = 3;
    static inline const QString kPath = QStringLiteral("test/voice.amr");

    [[nodiscard]] static QByteArray amr();
    // Writes the voice under `folder` when it is missing.
    static void writeTo(const QString& folder);
};

}  // namespace standin
