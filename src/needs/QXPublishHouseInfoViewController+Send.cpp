// The road of a need from the send button to the broker replies: the checks and the
// confirmation, the phone check, the SMS validation, the voice note's upload, the publishing
// call, its reply, the stored need and the retries after failures.
#include "needs/NeedNeighbourScreens.h"
#include "needs/NeedPublishCalls.h"
#include "needs/NeedsHost.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXNeedSentence.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "needs/QXTempTableViewController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "chat/ChatMedia.h"
#include "chat/VoiceLeftovers.h"
#include "location/tovikCitylog.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/button.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "ui/widgets/LoadingOverlay.h"

#include <algorithm>
#include <utility>

namespace {

constexpr double kLoadingAlpha = 0.35;
const QString kSending = QStringLiteral("正在发送中");

}  // namespace

bool QXPublishHouseInfoViewController::isAreaMode() const {
    return tovikCitylog::instance().isSelectCityData();
}

bool QXPublishHouseInfoViewController::isAroundPosition() const {
    return !isAreaMode() && getlocationSuccess_;
}

bool QXPublishHouseInfoViewController::hasVoicePath() const {
    return !audioDataPath_.isEmpty();
}

// The form, or its SMS validation waiting on top of it: a failure there must end the
// validation's "发送中..." too, or its buttons would stay dead.
bool QXPublishHouseInfoViewController::isVisible() const {
    auto* navigation = const_cast<QXPublishHouseInfoViewController*>(this)->navigationController();
    if (!navigation) return false;
    const auto visible = navigation->visibleViewController();
    return visible.get() == this || (visible && visible == validationController_);
}

QString QXPublishHouseInfoViewController::loadSelectedItemsTag() const {
    QList<int> codes;
    for (const auto& button : selectedHouseDoor_->selectButtons()) codes << button->tag();
    return codes.isEmpty() ? QString(QLatin1String("")) : QXNeedSentence::houseTypeJson(codes);
}

QString QXPublishHouseInfoViewController::needSentence() {
    QString price = priceButton_->titleForState(ui::kControlStateNormal);
    if (price.isEmpty()) {
        price = QXNeedSentence::kNoLimit;
        tableViewCtr_->setPriceName(QXNeedSentence::kNoLimit);
    }
    QString houseTypes;
    for (const auto& button : selectedHouseDoor_->selectButtons())
        houseTypes += button->titleForState(ui::kControlStateNormal) + QLatin1Char(' ');
    const bool nearby = isAroundPosition();
    if (!nearby) qxInfoModel_.publishInfoCityStreetString = NeedsHost::shared()->locationStreet();
    return QXNeedSentence::sentence(qxInfoModel_.publishInfoRentOrBuyString, houseTypes, price,
                                    nearby ? qxInfoModel_.publishInfoCityStreetString
                                           : qxInfoModel_.publishInfoCitySelectStreetString,
                                    nearby, selectedTerm_->selectedItems());
}

void QXPublishHouseInfoViewController::unRecordPublishNeedInfo() {
    sendString_ = needSentence();
    qxInfoModel_.publishInfoHouseDoor = loadSelectedItemsTag();
    bool complete = true;
    if (isAreaMode()) {
        complete = !qxInfoModel_.publishInfoCitySelectStreetString.isEmpty() &&
                   !qxInfoModel_.publishInfoPrice.isEmpty();
    } else {
        complete = getlocationSuccess_ && !qxInfoModel_.publishInfoCityStreetString.isNull() &&
                   !qxInfoModel_.publishInfoPrice.isEmpty();
    }
    if (!complete || qxInfoModel_.publishInfoHouseDoor.isEmpty()) {
        FloatView::showMessageInKeyWindow(kChooseAll);
        return;
    }
    showAlert(QStringLiteral("确认发送？"), sendString_, QStringLiteral("取消"),
              QStringLiteral("发送"), kConfirmTag);
}

void QXPublishHouseInfoViewController::showAlert(const QString& title, const QString& message,
                                                 const QString& cancel, const QString& other,
                                                 int tag) {
    alert_ = std::make_shared<ui::AlertView>(
        title, message, weakAs<QXPublishHouseInfoViewController>(), cancel, QStringList{other});
    alert_->setTag(tag);
    alert_->show();
}

void QXPublishHouseInfoViewController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    switch (alert.tag()) {
        case kConfirmTag:
            if (index == 1) {
                getValidateInfo();
            } else {
                StatClick::event(QStringLiteral("bn_cancel_button"));
                removeLoading();
            }
            break;
        case kVoiceRetryTag:
            if (index == 1 && hasVoicePath()) {
                // The voice note failed to go up after the number was validated: the same
                // validation screen sends again with its code; a second screen would make the
                // user ask for another code, of five a day.
                if (validationInStack()) {
                    validationController_->sendAgain();
                } else {
                    getValidateInfo();
                }
            } else if (index != 1) {
                removeLoading();
            }
            break;
        case kPublishRetryTag:
            if (index == 1) {
                getTempInterFace();
            } else {
                StatClick::event(QStringLiteral("bn_cancel_button"));
                removeLoading();
            }
            break;
        default:
            break;
    }
}

bool QXPublishHouseInfoViewController::validationInStack() {
    ui::NavigationController* navigation = navigationController();
    if (!validationController_ || !navigation) return false;
    const auto& screens = navigation->viewControllers();
    return std::find(screens.begin(), screens.end(), validationController_) != screens.end();
}

void QXPublishHouseInfoViewController::validateDidError() {
    showAlert(QString(), kPublishFailed, QStringLiteral("取消"), QStringLiteral("确定"),
              hasVoicePath() ? kVoiceRetryTag : kConfirmTag);
}

void QXPublishHouseInfoViewController::removeLoading() {
    NeedsHost::shared()->removeLoading(*this);
}

void QXPublishHouseInfoViewController::finishValidation() {
    if (validationController_) validationController_->finishedSendRequirement();
}

void QXPublishHouseInfoViewController::showCustomLoadingView() {
    if (view()->viewWithTag(LoadingOverlay::kTag)) return;
    auto loading = NeedsHost::shared()->loadingView(
        ui::Rect(0, 0, 320, ui::Screen::mainScreen().bounds().height() - 64), kSending);
    loading->setBackgroundColor(ui::Color::colorWithWhite(0, kLoadingAlpha));
    view()->addSubview(loading);
}

// --- The phone check

void QXPublishHouseInfoViewController::getValidateInfo() {
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    const auto host = NeedsHost::shared();
    const int currentCity = QXNetContext::shared()->currentCityScript_index();
    const int city = isAroundPosition() ? host->locatedCityId() : currentCity;
    QXIMRequest::shared().addValuesFormDic(NeedPublishCalls::headers());
    showCustomLoadingView();
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface,
        NeedPublishCalls::phoneCheckBody(city, qxInfoModel_.publishInfoRentOrBuyString.toInt(),
                                         host->userId(), !host->logonSuccess()),
        [weak](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self) return;
            const auto status = NeedPublishCalls::phoneCheckStatus(reply);
            if (status == 1) {
                self->removeLoading();
                StatClick::event(QStringLiteral("message_verification"));
                self->validationController_ = std::make_shared<QXMessageValidationController>();
                self->validationController_->setDelegate(weak);
                ui::NavigationController* navigation = self->navigationController();
                if (!navigation) return;
                auto moveIn = ui::Transition::animation();
                moveIn->setType(ui::Transition::kMoveIn);
                moveIn->setSubtype(ui::Transition::kFromTop);
                moveIn->setDuration(0.2);
                navigation->view()->layer()->addAnimation(moveIn);
                navigation->pushViewController(self->validationController_, false);
            } else if (status == 0) {
                self->validationController_.reset();
                if (self->hasVoicePath()) {
                    self->uploadVoice();
                } else {
                    self->getTempInterFace();
                }
            } else {
                self->validateDidError();
            }
        },
        [weak](const QVariantMap&) {
            const auto self = weak.lock();
            if (!self || !self->isVisible()) return;
            self->removeLoading();
            self->validateDidError();
        });
}

void QXPublishHouseInfoViewController::messageValidation(QXMessageValidationController&,
                                                         const QString& mobile,
                                                         const QString& captcha) {
    validatePhone_ = mobile;
    validateCode_ = captcha;
    if (hasVoicePath()) {
        uploadVoice();
    } else {
        getTempInterFace();
    }
}

void QXPublishHouseInfoViewController::messageValidationCanceled(QXMessageValidationController&) {
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
    ViewControllerUpload::cancelUpload(sharedAs<ui::ViewController>());
}

// --- The voice note's upload

void QXPublishHouseInfoViewController::uploadVoice() {
    const std::optional<QByteArray> data = ns::FileManager::contentsAtPath(audioDataPath_);
    if (!ViewControllerUpload::uploadDataTempFilePath(sharedAs<ui::ViewController>(), data, 1,
                                                      audioDataPath_))
        uploadFaildResult({}, {});
}

unsigned QXPublishHouseInfoViewController::uploadCallbacksAnswered() const {
    return kReturnResultTempPath | kFaildResult;
}

void QXPublishHouseInfoViewController::uploadReturnResultTempPath(const QVariant& reply,
                                                                  const QVariant& tempPath) {
    const QString data = Tolerant(reply)[QStringLiteral("data")].toString();
    if (data.isEmpty()) {
        uploadFaildResult({}, {});
        return;
    }
    const QString url = ChatMedia::mediaAddress(data);
    qxInfoModel_.publishInfoAmrUrlString = url;
    audioDataPath_.clear();
    const QString temp = tempPath.toString();
    const QString destination = ChatMedia::uploadedFileCachePath(url);
    if (!temp.isEmpty() && !destination.isEmpty() && temp != destination) {
        ns::FileManager::removeItemAtPath(destination);
        ns::FileManager::moveItemAtPath(temp, destination);
        // The note now plays from its uploaded copy: the recording is of no more use.
        VoiceLeftovers::removeRecording(temp);
    }
    getTempInterFace();
}

// A voice note that did not reach the server stops the sending where the user sees it: the
// overlay goes and the alert offers to send again.
void QXPublishHouseInfoViewController::uploadFaildResult(const QVariantMap&, const QVariant&) {
    removeLoading();
    finishValidation();
    if (isVisible()) validateDidError();
}

// --- The publishing call

void QXPublishHouseInfoViewController::getTempInterFace() {
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        removeLoading();
        finishValidation();
        return;
    }
    qxPublishInfoModel& need = qxInfoModel_;
    if (need.publishInfoAmrUrlString.isEmpty()) need.publishInfoAmrUrlString = QLatin1String("");
    if (need.publishInfoCityStreetString.isEmpty())
        need.publishInfoCityStreetString = QLatin1String("");
    if (need.publishInfoDuration.isEmpty()) need.publishInfoDuration = QLatin1String("");
    if (need.publishInfoPriceType.isEmpty()) need.publishInfoPriceType = QStringLiteral("1");
    if (need.publishInfoRentOrBuyString.isEmpty())
        need.publishInfoRentOrBuyString = QStringLiteral("1");
    need.publishInfoTime = QString::asprintf("%f", ns::Clock::shared().timeIntervalSince1970());
    if (!isRecodingSelected_) need.publishInfoAmrUrlString = QLatin1String("");

    NeedPublishCalls::NeedArguments arguments;
    arguments.kind = need.publishInfoRentOrBuyString;
    arguments.aroundPosition = isAroundPosition();
    arguments.houseTypes = need.publishInfoHouseDoor;
    arguments.userId = NeedsHost::shared()->userId();
    arguments.voiceUrl = need.publishInfoAmrUrlString;
    arguments.voiceSeconds = int(need.publishInfoDuration.toDouble());
    arguments.sentence = sendString_;
    arguments.price = need.publishInfoPrice;
    arguments.priceType = need.publishInfoPriceType;
    if (needValidation()) {
        arguments.mobile = validatePhone_;
        arguments.code = validateCode_;
    }
    const int currentCity = QXNetContext::shared()->currentCityScript_index();
    if (!arguments.aroundPosition) {
        need.publishInfoLocalString = QLatin1String("");
        arguments.cityScriptIndex = currentCity;
        arguments.streetId = need.publishInfoStreetId;
        arguments.districtId = need.publishInfoDistrictId;
    } else {
        // Sent longitude first; a second attempt sends what the first did.
        if (!locationReversed_) {
            const QStringList parts = need.publishInfoLocalString.split(QLatin1Char(','));
            if (parts.size() == 2)
                need.publishInfoLocalString = parts[1] + QLatin1Char(',') + parts[0];
            locationReversed_ = true;
        }
        arguments.cityScriptIndex = iIsChooseMapPiont_ ? iTempCityId_ : currentCity;
        need.publishInfoStreetId = QStringLiteral("-");
        need.publishInfoDistrictId = QStringLiteral("-");
    }
    arguments.location = need.publishInfoLocalString;
    writeSendingNeed();

    NeedsHost::shared()->addLoadingWithMessage(*this, kSending);
    QXIMRequest::shared().addValuesFormDic(NeedPublishCalls::headers());
    const auto weak = weakAs<QXPublishHouseInfoViewController>();
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface, NeedPublishCalls::publishBody(arguments),
        [weak](const QVariant& reply) {
            if (auto self = weak.lock()) self->parsingSuccessData(reply);
        },
        [weak](const QVariantMap&) {
            const auto self = weak.lock();
            if (!self || !self->isVisible()) return;
            self->removeLoading();
            self->finishValidation();
            self->showAlert(QString(), kPublishFailed, QStringLiteral("取消"),
                            QStringLiteral("确定"), kPublishRetryTag);
        });
}

void QXPublishHouseInfoViewController::parsingSuccessData(const QVariant& reply) {
    finishValidation();
    removeLoading();
    const auto result = NeedPublishCalls::publishResult(reply);
    // A reply that holds no published need is a failure like any other: the user may send
    // again.
    if (!result) {
        if (isVisible()) {
            showAlert(QString(), kPublishFailed, QStringLiteral("取消"), QStringLiteral("确定"),
                      kPublishRetryTag);
        }
        return;
    }
    if (!result->refusal.isEmpty()) {
        forgetRefusedNeed();
        FloatView::showMessageInKeyWindow(result->refusal);
        return;
    }
    if (needValidation()) StatClick::event(QStringLiteral("verification_send_success"));
    qxInfoModel_.publishneedPostId = result->postId;
    // The server has the need: it is kept and its replies open even when the device could
    // not write it down.
    if (!saveNeedListData())
        FloatView::showMessageInKeyWindow(QStringLiteral("找房意向已发送，但未能保存在本机"));
    openReplies(result->brokerCount);
}

bool QXPublishHouseInfoViewController::saveNeedListData() {
    QXIMDatabase& store = QXIMDatabase::shared();
    const qint64 sending = std::exchange(sendingNeedRow_, 0);
    if (sending > 0 && store.settleSendingNeed(sending, qxInfoModel_.publishneedPostId))
        return true;
    return store.saveNeedInfo(needRow());
}

// Each attempt has a row of its own: an earlier one that failed may still have reached the
// server, and its brokers' answers must not find this attempt's need the only one being sent.
void QXPublishHouseInfoViewController::writeSendingNeed() {
    sendingNeedRow_ = QXIMDatabase::shared().saveSendingNeed(needRow());
}

void QXPublishHouseInfoViewController::forgetRefusedNeed() {
    if (sendingNeedRow_ > 0) QXIMDatabase::shared().removeSendingNeed(sendingNeedRow_);
    sendingNeedRow_ = 0;
}

QXIMDatabase::NeedInfo QXPublishHouseInfoViewController::needRow() const {
    const QString place = isAreaMode() ? qxInfoModel_.publishInfoCitySelectStreetString
                                       : qxInfoModel_.publishInfoCityStreetString;
    QXIMDatabase::NeedInfo row;
    row.userId = QString::number(NeedsHost::shared()->userId());
    row.needId = qxInfoModel_.publishneedPostId;
    row.cityScriptIndex = QString::number(QXNetContext::shared()->currentCityScript_index());
    row.districtId = qxInfoModel_.publishInfoDistrictId;
    row.streetId = qxInfoModel_.publishInfoStreetId;
    row.latlng = qxInfoModel_.publishInfoLocalString;
    row.huxing = qxInfoModel_.publishInfoHouseDoor;
    row.voiceUrl = qxInfoModel_.publishInfoAmrUrlString;
    // The length as recorded, fraction and all: every screen that shows the note rounds it up
    // alike.
    row.voiceLength = qxInfoModel_.publishInfoDuration.toDouble();
    row.price = qxInfoModel_.publishInfoPrice;
    row.priceType = qxInfoModel_.publishInfoPriceType;
    row.location = place.isNull() ? QString(QLatin1String("")) : place;
    row.time = qxInfoModel_.publishInfoTime;
    row.rentOrBuy = qxInfoModel_.publishInfoRentOrBuyString;
    row.priceName = tableViewCtr_->priceName();
    row.sentence = sendString_;
    return row;
}

void QXPublishHouseInfoViewController::openReplies(int brokerCount) {
    if (ui::NavigationController* navigation = navigationController())
        NeedNeighbourScreens::pushBrokerReplies(*navigation, qxInfoModel_.publishneedPostId,
                                                brokerCount);
}
