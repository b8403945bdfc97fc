#pragma once

#include <QString>
#include <QVariantMap>

// Tells the user that a request they asked for failed: an alert with the server's reason,
// or, when there is none (the request itself failed), that the network seems to be in trouble.
void showFailureAlert(const QString& reason);

// Whether a transport failure is the cancellation of a call by a later call of the same
// interface (or by its screen): no failure to tell anyone of.
[[nodiscard]] bool wasCancelled(const QVariantMap& transportFailure);
