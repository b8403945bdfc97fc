#pragma once

#include "platform/uikit/view_controller.h"

#include <QString>

// A plain titled screen standing for one that is not built yet (the chat with a broker, the
// broker's page); it shows its title and what it was opened with.
class PlaceholderScreen : public ui::ViewController {
public:
    PlaceholderScreen(const QString& title, QString details);
    void viewDidLoad() override;
    [[nodiscard]] const QString& details() const { return details_; }

private:
    QString details_;
};
