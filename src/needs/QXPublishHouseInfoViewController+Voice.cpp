// The need's voice note: the recording overlay, the conversion of the recording to AMR, the
// playback and the deletion. The note is uploaded only when the need is sent.
#include "needs/QXPublishHouseInfoViewController.h"

#include "analytics/StatClick.h"
#include "chat/AmrWavConversion.h"
#include "chat/ChatMedia.h"
#include "chat/QXVoicePlayer.h"
#include "chat/VoiceFolders.h"
#include "chat/VoiceLeftovers.h"
#include "net/QXNetContext.h"
#include "ui/widgets/AlertMessages.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

const ui::Color kVoiceGreen = ui::Color::rgb(138, 207, 109);
constexpr double kLongestNote = 60;

std::vector<std::shared_ptr<ui::Image>> frames(const QStringList& names) {
    std::vector<std::shared_ptr<ui::Image>> images;
    for (const QString& name : names) images.push_back(ui::Image::imageNamed(name));
    return images;
}

void titleVoiceButton(ui::Button& button, const QString& title, const ui::Color& colour) {
    button.setTitle(title, ui::kControlStateNormal);
    button.setTitle(title, ui::kControlStateHighlighted);
    button.setTitleColor(colour, ui::kControlStateNormal);
}

}  // namespace

void QXPublishHouseInfoViewController::initVoiceButtons() {
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    audioBt_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    audioBt_->setFrame(ui::Rect(8 + 130 + 16, 135, 130, 36));
    audioBt_->setFont(ui::Font::systemFontOfSize(14));
    titleVoiceButton(*audioBt_, kVoiceTitle, kVoiceGreen);
    for (const auto& [name, state] :
         {std::pair{QStringLiteral("语音补充button.png"), unsigned(ui::kControlStateNormal)},
          std::pair{QStringLiteral("语音button点击.png"), unsigned(ui::kControlStateHighlighted)}}) {
        const auto image = ui::Image::imageNamed(name);
        audioBt_->setBackgroundImage(image ? image->resizableImageWithCapInsets({0, 20, 0, 20})
                                           : nullptr,
                                     state);
    }
    audioBt_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->presentVoiceView();
    });
    smallVoiceImage_ = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("语音小icon")));
    smallVoiceImage_->setFrame(ui::Rect(15, 6.5, 20, 20));
    audioBt_->addSubview(smallVoiceImage_);
    termPanel_->addSubview(audioBt_);

    const ui::Rect voice = audioBt_->frame();
    delVoiceBt_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    delVoiceBt_->setFrame(ui::Rect(voice.maxX() - 25, voice.minY() - 10, 53, 53));
    delVoiceBt_->setImage(ui::Image::imageNamed(QStringLiteral("语音删除icon.png")),
                          ui::kControlStateNormal);
    delVoiceBt_->setImage(ui::Image::imageNamed(QStringLiteral("语音删除icon点击.png")),
                          ui::kControlStateHighlighted);
    delVoiceBt_->setImageEdgeInsets({13, 13, 13, 13});
    delVoiceBt_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->deleteVoice();
    });
    delVoiceBt_->setHidden(true);
    termPanel_->addSubview(delVoiceBt_);
}

QString QXPublishHouseInfoViewController::playablePath() const {
    if (!audioDataPath_.isEmpty()) return audioDataPath_;
    // Uploaded already: the file lies in the AMR cache under its URL's name.
    return ChatMedia::uploadedFileCachePath(qxInfoModel_.publishInfoAmrUrlString);
}

void QXPublishHouseInfoViewController::didLoadRecordingView() {
    qInfo("弹出语音view");
}

void QXPublishHouseInfoViewController::presentVoiceView() {
    if (!recordAudio_->canRecord()) {
        alert_ = std::make_shared<ui::AlertView>(
            QStringLiteral("无法录音"),
            QStringLiteral("补充意向需通过语音发送。请在iPhone的“设置-隐私-麦克风”选项中，允许"
                           "Nevoru找房访问您的手机麦克风。"),
            std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"));
        alert_->show();
        return;
    }
    if (!delVoiceBt_->isHidden()) {
        if (!audioBt_->isSelected()) {
            QXVoicePlayer::shared().playByAmrPath(playablePath());
            QXVoicePlayer::shared().addObject(
                std::static_pointer_cast<VoicePlayerObserver>(
                    sharedAs<QXPublishHouseInfoViewController>()));
            startPlaybackAnimation(true);
            audioBt_->setSelected(true);
        } else {
            audioBt_->setSelected(false);
            startPlaybackAnimation(false);
            QXVoicePlayer::shared().stop();
        }
        return;
    }
    if (voiceAnimationImage_) {
        voiceAnimationImage_->removeFromSuperview();
        voiceAnimationImage_.reset();
    }
    const double height = ui::Screen::mainScreen().bounds().height();
    recordBgBlackView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, height));
    recordBgBlackView_->setBackgroundColor(ui::Color::colorWithWhite(0, 0.5));
    auto panel = std::make_shared<ui::ImageView>();
    const auto list = ui::Image::imageNamed(QStringLiteral("列表.png"));
    panel->setImage(list ? list->stretchableImageWithLeftCapWidth(int(list->size().width / 2),
                                                                  int(list->size().height / 2))
                         : nullptr);
    panel->setFrame(ui::Rect(20, height >= 568 ? 130 : 70, 280, 250));
    panel->setUserInteractionEnabled(true);
    recordBgBlackView_->addSubview(panel);

    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    auto record = ui::Button::buttonWithType(ui::ButtonType::Custom);
    record->setFrame(ui::Rect(0.5, 201, 279, 47));
    record->setTitle(QStringLiteral("开始录音"), ui::kControlStateNormal);
    record->setTitleColor(kVoiceGreen, ui::kControlStateNormal);
    record->setTitle(QStringLiteral("松开完成"), ui::kControlStateHighlighted);
    record->setTitleColor(ui::Color::whiteColor(), ui::kControlStateHighlighted);
    record->setFont(ui::Font::systemFontOfSize(16));
    record->setBackgroundColor(ui::Color::whiteColor());
    record->setBackgroundImage(ui::Image::imageWithColor(ui::Color::rgb(150, 184, 133)),
                               ui::kControlStateHighlighted);
    record->addTarget(this, ui::kControlEventTouchDown, [weak](auto&&...) {
        if (auto self = weak.lock()) self->startRecording();
    });
    record->addTarget(this, ui::kControlEventTouchDragExit, [weak](auto&&...) {
        if (auto self = weak.lock()) self->recordAudio_->setRecordingType(VoiceHUD::kReleaseToCancel);
    });
    record->addTarget(this, ui::kControlEventTouchDragEnter, [weak](auto&&...) {
        if (auto self = weak.lock()) self->recordAudio_->setRecordingType(VoiceHUD::kRecording);
    });
    record->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->endInsideRecord();
    });
    record->addTarget(this, ui::kControlEventTouchUpOutside | ui::kControlEventTouchCancel,
                      [weak](auto&&...) {
                          if (auto self = weak.lock()) self->endOutsideRecord();
                      });
    panel->addSubview(record);
    auto line = std::make_shared<ui::View>(ui::Rect(0.5, 200, 279, 0.5));
    line->setBackgroundColor(ui::Color::rgb(232, 236, 237));
    panel->addSubview(line);
    auto prompt = std::make_shared<ui::Label>(ui::Rect(70, 36, 140, 20));
    prompt->setText(QStringLiteral("你想对经纪人说什么"));
    prompt->setFont(ui::Font::systemFontOfSize(14));
    prompt->setTextColor(ui::Color::rgb(92, 99, 103));
    prompt->setTextAlignment(ui::TextAlignment::Center);
    prompt->setBackgroundColor(ui::Color::clearColor());
    panel->addSubview(prompt);
    audioImageView_ = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("录音.png")));
    audioImageView_->setFrame(ui::Rect(103, prompt->frame().maxY() + 36, 75, 75));
    audioImageView_->setAnimationImages(
        frames({QStringLiteral("录音.png"), QStringLiteral("录音-2.png"), QStringLiteral("录音-3.png"),
                QStringLiteral("录音-4.png"), QStringLiteral("录音-5.png"),
                QStringLiteral("录音-6.png"), QStringLiteral("录音-7.png")}));
    audioImageView_->setAnimationDuration(1.0);
    panel->addSubview(audioImageView_);
    auto close = ui::Button::buttonWithType(ui::ButtonType::Custom);
    close->setFrame(ui::Rect(250, 0, 31, 31));
    close->setImage(ui::Image::imageNamed(QStringLiteral("关闭.png")), ui::kControlStateNormal);
    close->setImageEdgeInsets({8, 8, 8, 8});
    close->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->handleTapRemoveView();
    });
    panel->addSubview(close);

    isRecodingSelected_ = true;
    qxInfoModel_.publishInfoDuration = QString();
    view()->addSubview(recordBgBlackView_);
    // The recorder's level square shows over the overlay.
    view()->bringSubviewToFront(recordAudio_.get());
}

void QXPublishHouseInfoViewController::handleTapRemoveView() {
    removeRecordingOverlay();
}

void QXPublishHouseInfoViewController::removeRecordingOverlay() {
    if (audioImageView_) audioImageView_->stopAnimating();
    if (recordBgBlackView_) recordBgBlackView_->removeFromSuperview();
    recordBgBlackView_.reset();
}

void QXPublishHouseInfoViewController::startRecording() {
    audioImageView_->startAnimating();
    if (locationLabel_->text() == kLocating) {
        audioImageView_->stopAnimating();
        AlertMessages::showAlertViewWithAlertString(QStringLiteral("正在获取当前位置!"));
        return;
    }
    StatClick::event(QStringLiteral("findhouses_bn_sendvoice"));
    if (!QXNetContext::shared()->connectionReachabil()) {
        audioImageView_->stopAnimating();
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    // Two notes begun in one second keep files of their own.
    const QString name = ChatMedia::uniqueFileName(
        {VoiceFolders::wavCacheDirectory(), VoiceFolders::amrCacheDirectory()});
    recordAudio_->startForFilePath(VoiceFolders::wavCacheDirectory() + QLatin1Char('/') + name);
}

void QXPublishHouseInfoViewController::endInsideRecord() {
    audioImageView_->stopAnimating();
    if (recordAudio_->isRecording()) recordAudio_->finishRecording();
}

void QXPublishHouseInfoViewController::endOutsideRecord() {
    StatClick::event(QStringLiteral("chat_cancel_voice"));
    audioImageView_->stopAnimating();
    if (recordAudio_->isRecording()) recordAudio_->cancelRecording();
}

void QXPublishHouseInfoViewController::voiceRecorded(VoiceHUD&, const QString& path,
                                                     double length) {
    removeRecordingOverlay();
    qxInfoModel_.publishInfoDuration = QString::asprintf("%f", length);
    if (int(qxInfoModel_.publishInfoDuration.toDouble()) >= 1) {
        showVoiceNote(length);
    } else {
        showNoVoiceNote();
    }
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(QStringLiteral(".wav"))) name.chop(4);
    const QString amr = VoiceFolders::amrCacheDirectory() + QLatin1Char('/') + name;
    if (encodeWavFileToAmrFile(path.toUtf8().constData(), amr.toUtf8().constData(), 1, 16) < 1) {
        AlertMessages::showAlertViewWithAlertString(QStringLiteral("录音出错了..."));
        return;
    }
    qxInfoModel_.publishInfoAmrUrlString = QString();
    audioDataPath_ = amr;
    sendString_ = needSentence();
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertTitle(
            QStringLiteral("无法与服务器通讯"),
            QStringLiteral("无法与服务器通讯。请连接到移动数据网络或者wifi"));
    }
}

void QXPublishHouseInfoViewController::showVoiceNote(double length) {
    const int seconds = int(std::min(kLongestNote, std::ceil(length)));
    titleVoiceButton(*audioBt_, QStringLiteral("    %1\"").arg(seconds), ui::Color::blackColor());
    delVoiceBt_->setHidden(false);
    if (voiceAnimationImage_) voiceAnimationImage_->removeFromSuperview();
    voiceAnimationImage_ =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("语音-3.png")));
    voiceAnimationImage_->setFrame(ui::Rect(8, 7, 12, 20));
    voiceAnimationImage_->setAnimationImages(frames(
        {QStringLiteral("语音-1.png"), QStringLiteral("语音-2.png"), QStringLiteral("语音-3.png")}));
    voiceAnimationImage_->setAnimationDuration(1.0);
    voiceAnimationImage_->setTag(kVoiceAnimationTag);
    audioBt_->addSubview(voiceAnimationImage_);
    smallVoiceImage_->setHidden(true);
}

void QXPublishHouseInfoViewController::showNoVoiceNote() {
    delVoiceBt_->setHidden(true);
    titleVoiceButton(*audioBt_, kVoiceTitleAfterNote, kVoiceGreen);
}

void QXPublishHouseInfoViewController::startPlaybackAnimation(bool playing) {
    if (!voiceAnimationImage_) return;
    if (playing) {
        voiceAnimationImage_->startAnimating();
    } else {
        voiceAnimationImage_->stopAnimating();
    }
}

void QXPublishHouseInfoViewController::deleteVoice() {
    QXVoicePlayer::shared().stop();
    if (!audioDataPath_.isEmpty()) VoiceLeftovers::removeRecording(audioDataPath_);
    audioDataPath_.clear();
    qxInfoModel_.publishInfoAmrUrlString = QLatin1String("");
    delVoiceBt_->setHidden(true);
    if (voiceAnimationImage_) voiceAnimationImage_->setHidden(true);
    qxInfoModel_.publishInfoDuration = QLatin1String("");
    smallVoiceImage_->setHidden(false);
    audioBt_->setExclusiveTouch(true);
    titleVoiceButton(*audioBt_, kVoiceTitleAfterNote, kVoiceGreen);
}

void QXPublishHouseInfoViewController::playbackQueueStopped(
    VoicePlayer& player, const std::variant<bool, ns::Error>&) {
    startPlaybackAnimation(false);
    audioBt_->setSelected(false);
    player.removeObject(this);
}
