#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace ui {
class ViewController;
}

// The screens of other parts of the app that the chat opens: the post a card names, a picture
// in full, the broker's shop page. Each opens from here alone, so that the chat depends on
// those parts in one place.
namespace ChatNeighbourScreens {

// A plain titled page with one centred sentence (what the chat shows for a web page when no
// app gives it a browser).
[[nodiscard]] std::shared_ptr<ui::ViewController> titledPage(const QString& title,
                                                             const QString& text);

// Pushes the detail of the post `puid`, as opened from a chat.
void pushPostDetail(ui::ViewController& from, const QString& puid);
// Shows the picture at `url` in full, with its save button.
void showPicture(ui::ViewController& from, const QString& url);
// Pushes the shop page of the broker `agentId`, with the shop data `dataInfo` already fetched;
// a chat started there comes back to `chat`.
void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const std::shared_ptr<ui::ViewController>& chat);

}  // namespace ChatNeighbourScreens
