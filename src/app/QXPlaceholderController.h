#pragma once

#include "app/QXUIViewController.h"

#include <QString>

// A titled screen that says in one sentence what will be shown there; it stands in for the
// screens of the app that are still to come (home, chats, favourites, post list, ...).
class QXPlaceholderController : public QXUIViewController {
public:
    QXPlaceholderController(const QString& title, const QString& description);

    void viewDidLoad() override;
    [[nodiscard]] const QString& description() const { return description_; }

private:
    QString description_;
};
