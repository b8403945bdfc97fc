#include "chat/ChatNeighbourScreens.h"

#include "houses/HousesHost.h"
#include "houses/ImageScrollPageController.h"
#include "houses/QXAgentInfoController.h"
#include "houses/QXPostDetailNew.h"

#include "ui/widgets/PlaceholderSentence.h"

#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/view_controller.h"

namespace {

class PlaceholderScreen final : public ui::ViewController {
public:
    PlaceholderScreen(const QString& title, QString text) : text_(std::move(text)) {
        // The screen starts below the navigation bar.
        setEdgesForExtendedLayout(ui::kRectEdgeNone);
        setTitle(title);
        setHidesBottomBarWhenPushed(true);
    }

    void viewDidLoad() override {
        view()->setBackgroundColor(ui::Color::rgb(235, 235, 235));
        view()->addSubview(makePlaceholderSentence(text_));
    }

private:
    QString text_;
};

void push(ui::ViewController& from, std::shared_ptr<ui::ViewController> screen) {
    if (ui::NavigationController* stack = from.navigationController())
        stack->pushViewController(std::move(screen), true);
}

}  // namespace

namespace ChatNeighbourScreens {

std::shared_ptr<ui::ViewController> placeholder(const QString& title, const QString& text) {
    return std::make_shared<PlaceholderScreen>(title, text);
}

void pushPostDetail(ui::ViewController& from, const QString& puid) {
    auto detail = QXPostDetailNew::initWithPUID(puid);
    detail->setFromType(1);
    push(from, std::move(detail));
}

void showPicture(ui::ViewController& from, const QString& url) {
    auto pager = std::make_shared<ImageScrollPageController>(QStringList{url}, 0);
    pager->setShouldShowPicSaveBtn(true);
    from.presentViewController(HousesHost::shared()->makeNavigationController(pager), true);
}

void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const std::shared_ptr<ui::ViewController>& chat) {
    auto page = std::make_shared<QXAgentInfoController>();
    page->setAgentId(agentId);
    page->setPopToChatController(chat);
    // Shop data that is not a dictionary is none: the page then asks for it.
    if (dataInfo.typeId() == QMetaType::QVariantMap) page->setDataInfo(dataInfo.toMap());
    push(from, std::move(page));
}

}  // namespace ChatNeighbourScreens
