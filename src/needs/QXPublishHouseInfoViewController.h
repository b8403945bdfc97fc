#pragma once

#include "needs/QXFBAgentAddress.h"
#include "needs/QXMessageValidationController.h"
#include "needs/qxPublishInfoModel.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "chat/VoiceHUD.h"
#include "chat/VoicePlayer.h"
#include "net/UIViewController+Upload.h"
#include "ui/widgets/ModalSheetViewController.h"

#include "platform/foundation/notification_center.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ui {
class ActivityIndicatorView;
class Button;
class ImageView;
class Label;
class ScrollView;
}  // namespace ui
class QXCustomMultiSelectView;
class QXTempTableViewController;

// The need form: the user writes a housing need to rent, share or buy (the kind is fixed when
// the home screen opens it), places it at the current position, in an area or at a point on
// the map, chooses house types, a price band and extra terms, may add a voice note, and sends
// it to the brokers around: a confirmation, the server's phone check (with the SMS
// validation when it asks for it), the voice note's upload, the publishing call, the stored
// need and then the broker replies.
class QXPublishHouseInfoViewController : public ui::ViewController,
                                         public QXFBAgentAddressDelegate,
                                         public QXCustomViewControllerDelegate,
                                         public QXMessageValidationProtocol,
                                         public VoiceHUDDelegate,
                                         public VoicePlayerObserver,
                                         public ui::AlertViewDelegate,
                                         public UploadResultCallbacks {
public:
    // The alerts whose buttons restart the sending: at the phone check (102, 103) or at the
    // publishing call (104).
    static constexpr int kConfirmTag = 102;
    static constexpr int kVoiceRetryTag = 103;
    static constexpr int kPublishRetryTag = 104;
    static constexpr double kRelocateDelay = 600;
    static constexpr double kSectionTitleDelay = 10;
    static constexpr int kVoiceAnimationTag = 10;
    static inline const QString kInterface = QStringLiteral("HousingRequestInfo");
    static inline const QString kNoNetwork = QStringLiteral("当前网络不可用，请检查网络设置");
    static inline const QString kChooseAll = QStringLiteral("请您选择房屋户型/价格/区域");
    static inline const QString kPublishFailed = QStringLiteral("发布失败，请重新发布");
    static inline const QString kLocating = QStringLiteral("正在定位中...");
    static inline const QString kLocateFailed = QStringLiteral("定位失败，请刷新试试");
    static inline const QString kChooseArea = QStringLiteral("选择区域");
    static inline const QString kVoiceTitle = QStringLiteral("    语音补充");
    static inline const QString kVoiceTitleAfterNote = QStringLiteral("   语音补充");
    static inline const QString kRentOrBuyKey = QStringLiteral("rentOrBuy");
    static inline const QString kFilterLoadFailed = QStringLiteral("加载失败\n点击屏幕重新加载");
    // The filter download's own cancel key (never on the wire), apart from the post list's
    // and the launch's downloads of the same interface.
    static inline const QString kFilterCancelKey = QStringLiteral("#need-form-screen");

    QXPublishHouseInfoViewController();
    ~QXPublishHouseInfoViewController() override;

    // What the home screen gives before pushing the form.
    void setRentOrBuyKey(int kind) { rentOrBuyKey_ = kind; }
    void setTermsArray(const QStringList& terms);
    [[nodiscard]] qxPublishInfoModel& qxInfoModel() { return qxInfoModel_; }
    // Loads the house types and price bands of the kind for the city from the stored filter
    // definitions, downloading them first when they are missing.
    void didLoadUnLocalHouseDoorAndPriceInfoWithIndex(const QString& kind, int cityScriptIndex);
    void didLoadLocalHouseDoorAndPriceInfoWithIndex(const QString& kind, int cityScriptIndex);
    void downLoadSendNeedInfo(int major, int cityScriptIndex);

    // Actions of the form's controls.
    void getStreetInfo();
    void getdifferentKindPrice();
    void refreshLoction();
    void chooseCurrentLocation();
    void enterMapView();
    void goBack();
    void unRecordPublishNeedInfo();
    void presentVoiceView();
    void deleteVoice();
    void handleTapRemoveView();
    // The recording overlay came up; only noted in the log.
    void didLoadRecordingView();

    // The sending road.
    void getValidateInfo();
    void getTempInterFace();
    void parsingSuccessData(const QVariant& reply);
    [[nodiscard]] bool saveNeedListData();
    void validateDidError();
    [[nodiscard]] bool needValidation() const { return validationController_ != nullptr; }
    void showCustomLoadingView();

    // The need sentence of the form's choices as they stand.
    [[nodiscard]] QString needSentence();
    // The house types chosen, as compact JSON codes; "" when none.
    [[nodiscard]] QString loadSelectedItemsTag() const;
    // Whether the location text or the choices place the need.
    [[nodiscard]] bool getLocalState() const;
    // The text of each item ("%@"), joined without a separator.
    [[nodiscard]] static QString loadSelectedItems(const QVariantList& items);
    // A title of the screen's own in place of the navigation bar's: the kind's title label
    // and a close button that leaves the form, laid on the screen's view.
    void initNavigationTitleView();
    [[nodiscard]] ui::Label* navigationTitleLabel() const { return navigationTitleLabel_.get(); }
    [[nodiscard]] ui::Button* closeButton() const { return closeButton_.get(); }

    // Reading the form, for the screen's owner and its tests.
    [[nodiscard]] const QString& sendString() const { return sendString_; }
    [[nodiscard]] const QString& audioDataPath() const { return audioDataPath_; }
    [[nodiscard]] bool getlocationSuccess() const { return getlocationSuccess_; }
    [[nodiscard]] bool isChooseMapPoint() const { return iIsChooseMapPiont_; }
    [[nodiscard]] const QStringList& buttonTitlesArray() const { return buttonTitlesArray_; }
    [[nodiscard]] QXTempTableViewController& priceList() const { return *tableViewCtr_; }
    [[nodiscard]] QXCustomMultiSelectView* selectedHouseDoor() const {
        return selectedHouseDoor_.get();
    }
    [[nodiscard]] QXCustomMultiSelectView* selectedTerm() const { return selectedTerm_.get(); }
    [[nodiscard]] ui::Button* areaButton() const { return areaButton_.get(); }
    [[nodiscard]] ui::Button* priceButton() const { return priceButton_.get(); }
    [[nodiscard]] ui::Button* sendButton() const { return sendButton_.get(); }
    [[nodiscard]] ui::Button* voiceButton() const { return audioBt_.get(); }
    [[nodiscard]] ui::Button* deleteVoiceButton() const { return delVoiceBt_.get(); }
    [[nodiscard]] ui::Label* locationLabel() const { return locationLabel_.get(); }
    [[nodiscard]] ui::View* districtHeader() const { return iSelectDistrictHeader_.get(); }
    [[nodiscard]] ui::View* recordingOverlay() const { return recordBgBlackView_.get(); }
    [[nodiscard]] VoiceHUD* recorder() const { return recordAudio_.get(); }
    [[nodiscard]] QXMessageValidationController* validationController() const {
        return validationController_.get();
    }
    [[nodiscard]] const std::shared_ptr<ModalSheetViewController>& sheet() const {
        return modall_;
    }

    // The map point picker's choice.
    void didGetChooseCityId(int cityId, const QString& streetName,
                            const QString& locationStr) override;
    // The sheet closed.
    void customModalViewControllerDidDismiss(ModalSheetViewController& sheet) override;
    // The SMS validation's number and code.
    void messageValidation(QXMessageValidationController& screen, const QString& mobile,
                           const QString& captcha) override;
    // The validation was given up: the form's calls and its voice upload stop.
    void messageValidationCanceled(QXMessageValidationController& screen);
    // The recorder's file.
    void voiceRecorded(VoiceHUD& hud, const QString& path, double length) override;
    void playbackQueueStopped(VoicePlayer& player,
                              const std::variant<bool, ns::Error>& interruption) override;
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

    // Upload callbacks.
    [[nodiscard]] unsigned uploadCallbacksAnswered() const override;
    void uploadReturnResultTempPath(const QVariant& reply, const QVariant& tempPath) override;
    void uploadFaildResult(const QVariantMap& failure, const QVariant& userInfo) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    // Building.
    void initSelectTermHouseDoorView();
    void initDistrictHeader();
    void initDetailTermView();
    void initVoiceButtons();
    void initButtomView();
    void loadHousDoorButtonTitles();
    void filterDownloadFailed(int major, int cityScriptIndex);
    // The notice of definitions that could not be had, whose tap asks again.
    void showFilterFailure();
    void refreshChoices();
    void setAreaTitle(const QString& title);
    void showLocated(bool located);
    // A new location text for the record, latitude first as the app keeps it.
    void setLocationText(const QString& text);
    // Location events.
    void UserLocationStateChange();
    void LocationGetNotification();
    void setSectionTitleText();
    // Sheets.
    void presentSheet(std::shared_ptr<ui::ViewController> root);
    void closeSheet();
    // Sending.
    [[nodiscard]] bool isAreaMode() const;
    [[nodiscard]] bool isAroundPosition() const;
    [[nodiscard]] bool hasVoicePath() const;
    [[nodiscard]] bool isVisible() const;
    // Whether the SMS validation screen of this sending is still on the navigation stack.
    [[nodiscard]] bool validationInStack();
    void uploadVoice();
    void showAlert(const QString& title, const QString& message, const QString& cancel,
                   const QString& other, int tag);
    void removeLoading();
    void finishValidation();
    void openReplies(int brokerCount);
    // The need's row as the record stands (its id when it has one).
    [[nodiscard]] QXIMDatabase::NeedInfo needRow() const;
    // Writes the need, being sent, before each publishing call; removes it when the server
    // refused it.
    void writeSendingNeed();
    void forgetRefusedNeed();
    void stopObserving();
    // The voice note.
    void startRecording();
    void endInsideRecord();
    void endOutsideRecord();
    void removeRecordingOverlay();
    void showVoiceNote(double length);
    void showNoVoiceNote();
    void startPlaybackAnimation(bool playing);
    [[nodiscard]] QString playablePath() const;

    qxPublishInfoModel qxInfoModel_;
    std::shared_ptr<QXTempTableViewController> tableViewCtr_;
    QVariantList houseArray_;
    QStringList buttonTitlesArray_;
    QStringList termsArray_;
    int rentOrBuyKey_ = 0;
    bool getlocationSuccess_ = false;
    bool iIsChooseMapPiont_ = false;
    int iTempCityId_ = -1;
    bool isEnter_ = false;
    bool isRecodingSelected_ = false;
    // The location text already carries longitude first (a position-mode send reversed it);
    // every new location text comes latitude first and is reversed at its first send.
    bool locationReversed_ = false;
    // The filter download of the form's own kind was tried again once.
    bool filterRetried_ = false;
    // The download that failed twice, for the notice to ask again: (major, city).
    std::optional<std::pair<int, int>> filterFailed_;
    QString sendString_;
    QString audioDataPath_;
    QString validatePhone_;
    QString validateCode_;
    // The row of the need being sent (0: none): written before the publishing call, given
    // the need's id by the answer.
    qint64 sendingNeedRow_ = 0;

    std::shared_ptr<ui::ScrollView> scrollView_;
    std::shared_ptr<ui::View> headerView_;
    std::shared_ptr<ui::View> termPanel_;
    std::shared_ptr<ui::Button> areaButton_;
    std::shared_ptr<ui::Button> priceButton_;
    std::shared_ptr<ui::Button> sendButton_;
    std::shared_ptr<QXCustomMultiSelectView> selectedHouseDoor_;
    std::shared_ptr<QXCustomMultiSelectView> selectedTerm_;
    std::shared_ptr<ui::View> iSelectDistrictHeader_;
    std::shared_ptr<ui::Label> locationLabel_;
    std::shared_ptr<ui::Button> refreshButton_;
    std::shared_ptr<ui::Label> navigationTitleLabel_;
    std::shared_ptr<ui::Button> closeButton_;
    std::shared_ptr<ui::ActivityIndicatorView> activity_;
    std::shared_ptr<ui::Button> audioBt_;
    std::shared_ptr<ui::Button> delVoiceBt_;
    std::shared_ptr<ui::ImageView> smallVoiceImage_;
    std::shared_ptr<ui::ImageView> voiceAnimationImage_;
    std::shared_ptr<ui::View> recordBgBlackView_;
    std::shared_ptr<ui::ImageView> audioImageView_;
    std::shared_ptr<VoiceHUD> recordAudio_;
    std::shared_ptr<ModalSheetViewController> modall_;
    std::shared_ptr<QXMessageValidationController> validationController_;
    std::shared_ptr<ui::AlertView> alert_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    ns::DelayedCall relocate_;
    ns::DelayedCall sectionTitle_;
};
