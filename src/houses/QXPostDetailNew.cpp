#include "houses/QXPostDetailNew.h"

#include "houses/ReadMarks.h"
#include "platform/uikit/label.h"

QXPostDetailNew::QXPostDetailNew(PostRecord post, int masterId, int majorId)
    : post_(std::move(post)), masterId_(masterId), majorId_(majorId) {
    setHidesBottomBarWhenPushed(true);
}

QXPostDetailNew::~QXPostDetailNew() {
    // A detail dropped with its whole stack still tells its list.
    reportIndex();
}

void QXPostDetailNew::reportIndex() {
    if (reportedIndex_) return;
    reportedIndex_ = true;
    if (auto list = list_.lock())
        list->postDetailNewCurrentIndexWhenPopOrDismiss(unsigned(currentIndex_));
}

void QXPostDetailNew::willMoveToParentViewController(ui::ViewController* parent) {
    ui::ViewController::willMoveToParentViewController(parent);
    // The stack takes the detail off before the list below appears again; the stack keeps
    // the detail alive through that appearance, so its destruction would come too late.
    if (!parent) reportIndex();
}

void QXPostDetailNew::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    ReadMarks::markRead(post_.value(QStringLiteral("puid")).toString());
    view()->setBackgroundColor(ui::Color::whiteColor());
    auto title = std::make_shared<ui::Label>(ui::Rect(10, 10, 300, 60));
    title->setNumberOfLines(0);
    title->setFont(ui::Font::boldSystemFontOfSize(16));
    title->setText(post_.value(QStringLiteral("title")).toString());
    view()->addSubview(title);
    const PostCellContent row =
        GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(post_, masterId_,
                                                                                  majorId_);
    auto details = std::make_shared<ui::Label>(ui::Rect(10, 76, 300, 60));
    details->setNumberOfLines(0);
    details->setFont(ui::Font::systemFontOfSize(14));
    details->setText(row.value(QStringLiteral("right2")).toString() + u'\n' +
                     row.value(QStringLiteral("left2")).toString());
    view()->addSubview(details);
}
