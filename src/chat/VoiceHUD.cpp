#include "chat/VoiceHUD.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/timer.h"
#include "platform/media/audio_session.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"
#include "ui/widgets/FloatView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCornerRadius = 10;
constexpr double kMeterBase = 73;
constexpr double kMeterRange = 5.6;
constexpr double kLevelFloor = 50;

std::shared_ptr<ui::Image> microphone() {
    return ui::Image::imageNamed(QStringLiteral("语音对讲.png"));
}

void showWarning(const QString& message) {
    std::make_shared<ui::AlertView>(QStringLiteral("Warning"), message,
                                    std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("OK"))
        ->show();
}

}  // namespace

std::shared_ptr<VoiceHUD> VoiceHUD::initWithParentView(ui::View* parent) {
    return std::make_shared<VoiceHUD>(parent ? parent->bounds() : ui::Rect());
}

VoiceHUD::VoiceHUD(const ui::Rect& frame) : ui::View(frame) {
    setAlpha(0);
    setOpaque(false);
    setBackgroundColor(ui::Color::clearColor());
    setContentMode(ui::ContentMode::Redraw);
    // The overlay only shows; the finger stays with the talk button below it.
    setUserInteractionEnabled(false);
}

VoiceHUD::~VoiceHUD() {
    stopTimer();
    if (recorder_) {
        recorder_->setDelegate({});
        recorder_->stop();
    }
}

ui::Rect VoiceHUD::hudRect() const {
    const ui::Rect area = bounds();
    return {area.size.width / 2 - kSquare / 2, area.size.height / 3 - kSquare / 2, kSquare,
            kSquare};
}

void VoiceHUD::startForFilePath(const QString& path) {
    recordTime_ = 0;
    recordingType_ = kRecording;
    setAlpha(1);
    setNeedsDisplay();

    auto& session = av::AudioSession::sharedInstance();
    if (!session.setCategory(av::AudioSession::Category::PlayAndRecord)) return;
    session.setActive(true);
    const QVariantMap settings{{av::kFormatIDKey, av::kAudioFormatLinearPCM},
                               {av::kSampleRateKey, 8000.0},
                               {av::kNumberOfChannelsKey, 1}};
    recorderFilePath_ = path;
    if (ns::FileManager::fileExistsAtPath(path)) ns::FileManager::removeItemAtPath(path);

    ns::Error error;
    recorder_ = av::AudioRecorder::create(path, settings, &error);
    if (!recorder_) {
        showWarning(error.localizedDescription());
        return;
    }
    recorder_->setDelegate(
        std::static_pointer_cast<av::AudioRecorderDelegate>(sharedAs<VoiceHUD>()));
    recorder_->prepareToRecord();
    recorder_->setMeteringEnabled(true);
    if (!session.inputIsAvailable()) {
        recorder_.reset();
        showWarning(kNoInput);
        return;
    }
    isRecording_ = true;
    recorder_->recordForDuration(kMaxSeconds);
    timer_ = ns::Timer::scheduledTimer(ns::seconds(kMeterInterval), true,
                                       [weak = weakAs<VoiceHUD>()](ns::Timer&) {
                                           if (auto self = weak.lock()) self->updateMeters();
                                       });
}

void VoiceHUD::updateMeters() {
    if (recorder_) recorder_->updateMeters();
    if (recordTime_ > kMaxSeconds) {
        finishRecording();
        return;
    }
    recordTime_ += kMeterInterval;
    const double power = recorder_ ? recorder_->averagePowerForChannel(0) : -160;
    soundMeters_ = std::max(0.0, power + kLevelFloor);
    setNeedsDisplay();
}

void VoiceHUD::stopTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void VoiceHUD::hide() {
    setAlpha(0);
    setNeedsDisplay();
}

void VoiceHUD::finishRecording() {
    isRecording_ = false;
    if (recorder_) {
        recorder_->setDelegate({});
        recorder_->stop();
    }
    stopTimer();
    hide();
    if (recorderFilePath_.isEmpty()) return;
    if (recordTime_ < kMinSeconds) {
        FloatView::showMessageInKeyWindow(kTooShort);
        return;
    }
    const QString path = recorderFilePath_;
    if (auto delegate = delegate_.lock()) {
        delegate->voiceRecorded(*this, path, recordTime_);
        recorderFilePath_.clear();
    }
}

void VoiceHUD::cancelRecording() {
    hide();
    isRecording_ = false;
    stopTimer();
    if (recorder_) {
        recorder_->setDelegate({});
        recorder_->stop();
    }
    if (auto delegate = delegate_.lock()) delegate->voiceRecordCancelledByUser(*this);
}

bool VoiceHUD::canRecord() {
    auto answer = std::make_shared<bool>(true);
    av::AudioSession::sharedInstance().requestRecordPermission(
        [answer](bool granted) { *answer = granted; });
    return *answer;
}

void VoiceHUD::setRecordingType(int type) {
    recordingType_ = type;
    setNeedsDisplay();
}

double VoiceHUD::meterHeight() const {
    return kMeterBase + kMeterRange * (soundMeters_ / kLevelFloor * 5);
}

void VoiceHUD::drawRect(const ui::Rect&) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Rect square = hudRect();
    context->saveGState();
    ui::BezierPath::bezierPathWithRoundedRect(square, kCornerRadius).addClip();
    context->setFillColor(ui::Color::colorWithWhite(0, 0.7));
    context->fillRect(square);
    context->restoreGState();

    const ui::Point centre(square.origin.x + kSquare / 2, square.origin.y + kSquare / 2);
    const auto placed = [&](const std::shared_ptr<ui::Image>& image) {
        const ui::Size size = image ? image->size() : ui::Size();
        return ui::Rect(centre.x - size.width / 2, centre.y - 10 - size.height / 2, size.width,
                        size.height);
    };
    const auto caption = [&](const QString& text) {
        context->setFillColor(ui::Color::whiteColor());
        ui::StringDrawing::drawInRect(
            text, ui::Rect(square.origin.x, square.origin.y + kSquare - 25, kSquare, 20),
            ui::Font::systemFontOfSize(14), ui::LineBreakMode::WordWrap, ui::TextAlignment::Center);
    };
    const double level = soundMeters_ / kLevelFloor * 5;
    switch (recordingType_) {
        case kRecording: {
            const auto mic = microphone();
            const ui::Rect micRect = placed(mic);
            if (const auto meter = ui::Image::imageNamed(QStringLiteral("语音对讲音符.png"))) {
                const auto stretched = meter->resizableImageWithCapInsets({40, 0, 33, 0});
                const double height = meterHeight();
                const double bottom = micRect.origin.y + meter->size().height;
                stretched->drawInRect(
                    ui::Rect(micRect.origin.x, bottom - height, meter->size().width, height));
            }
            if (mic) mic->drawInRect(micRect);
            caption(QStringLiteral("手指上滑，取消发送"));
            break;
        }
        case kRecordingBars: {
            for (int i = 0; i < level; ++i) {
                context->setFillColor(ui::Color::colorWithWhite(1, std::min(1.0, level - i)));
                context->fillRect(ui::Rect(centre.x + 10, centre.y + 25 - 13 * i, 5 * (i + 1), 7));
            }
            const auto mic = microphone();
            if (mic) mic->drawInRect(placed(mic));
            caption(QStringLiteral("手指上滑，取消发送"));
            break;
        }
        case kReleaseToCancel: {
            const auto cancel = ui::Image::imageNamed(QStringLiteral("下滑取消.png"));
            if (cancel) cancel->drawInRect(placed(cancel));
            caption(QStringLiteral("松开手指, 取消发送"));
            break;
        }
        default:
            break;
    }
}
