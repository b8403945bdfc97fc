#pragma once

#include "chat/QXMessageCell.h"
#include "chat/VoicePlayer.h"

#include <vector>

class URLAudio;

// A voice message: the voice icon in a bubble, its length beside it and an unread dot until it
// was first played. A tap plays it (stopping any other voice) with the icon animating, a second
// tap stops it; every playback counts in the message's play count. A voice still downloading
// ignores taps; a failed download shows the download button.
class QXMessageAudioCell : public QXMessageCell, public VoicePlayerObserver {
public:
    static constexpr double kBubbleWidth = 100;
    static constexpr double kBubbleHeight = 40;

    QXMessageAudioCell();
    ~QXMessageAudioCell() override;
    [[nodiscard]] static double heightByInfo(const QVariant& info, bool showTime);
    // The duration text: seconds rounded up, at most 60, with the seconds mark; empty below 1.
    [[nodiscard]] static QString durationText(const QVariant& duration);

    void setContents(const QVariant& contents) override;
    void setMessage(const QXIMMessage& message) override;
    void setMyself(bool myself) override;
    void handleTapGesture() override;
    void layoutSubviews() override;
    void playbackQueueStopped(VoicePlayer& player,
                              const std::variant<bool, ns::Error>& interruption) override;

    [[nodiscard]] URLAudio* audioView() const { return audioView_.get(); }
    [[nodiscard]] ui::Label* durationLabel() const { return durationLabel_.get(); }
    [[nodiscard]] ui::ImageView* unreadIcon() const { return unreadIcon_.get(); }

private:
    void applySource();
    void downloadFailed();
    void stopAnimation();

    std::shared_ptr<URLAudio> audioView_;
    std::shared_ptr<ui::View> durationBg_;
    std::shared_ptr<ui::Label> durationLabel_;
    std::shared_ptr<ui::ImageView> unreadIcon_;
    std::vector<std::shared_ptr<ui::Image>> myHighlightImages_;
    std::vector<std::shared_ptr<ui::Image>> oHighlightImages_;
};
