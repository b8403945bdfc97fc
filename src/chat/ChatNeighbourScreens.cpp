#include "chat/ChatNeighbourScreens.h"

#include "houses/HousesHost.h"
#include "houses/HousesNavigation.h"
#include "houses/ImageScrollPageController.h"

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

}  // namespace

namespace ChatNeighbourScreens {

std::shared_ptr<ui::ViewController> placeholder(const QString& title, const QString& text) {
    return std::make_shared<PlaceholderScreen>(title, text);
}

void pushPostDetail(ui::ViewController& from, const QString& puid) {
    HousesNavigation::pushPostDetail(from, HousesNavigation::PuidOpener::ChatCard, puid);
}

void showPicture(ui::ViewController& from, const QString& url) {
    auto pager = std::make_shared<ImageScrollPageController>(QStringList{url}, 0);
    pager->setShouldShowPicSaveBtn(true);
    from.presentViewController(HousesHost::shared()->makeNavigationController(pager), true);
}

void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const std::shared_ptr<ui::ViewController>& chat) {
    HousesNavigation::pushBrokerPage(from,
                                     {.agentId = agentId, .dataInfo = dataInfo, .chat = chat});
}

}  // namespace ChatNeighbourScreens
