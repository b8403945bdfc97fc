#pragma once

#include <QString>
#include <QVariantList>

// One housing need while the publishing screen composes and sends it: the one source of the
// publishing call's arguments and of the stored need row. Every field is text; a null text is
// an absent value, told apart from the empty text where the sending rules need it.
struct qxPublishInfoModel {
    // The id the server gave the published need.
    QString publishneedPostId;
    // "1" rent a whole flat, "3" rent in a shared flat, "5" buy.
    QString publishInfoRentOrBuyString;
    // The chosen house-type codes as compact JSON, such as [1,3]; "" when none is chosen.
    QString publishInfoHouseDoor;
    // The same codes as a list, for an owner that keeps them so; the form itself leaves it
    // empty.
    QVariantList publishInfoHouseDoorArray;
    // The value of the chosen price row, "-1" for no limit.
    QString publishInfoPrice;
    QString publishInfoPriceType;
    // The uploaded voice note's URL; "" without one.
    QString publishInfoAmrUrlString;
    // The voice note's length in seconds ("%f"); "" without one.
    QString publishInfoDuration;
    // The place around a position: the street of the current position or the map point's label.
    QString publishInfoCityStreetString;
    // The place of the area mode: "district" or "district-street".
    QString publishInfoCitySelectStreetString;
    // Two numbers joined by a comma: latitude first while composing, reversed once sent
    // around a position; "" in the area mode.
    QString publishInfoLocalString;
    QString publishInfoStreetId;
    QString publishInfoDistrictId;
    // Seconds since 1970 ("%f"), set when sending.
    QString publishInfoTime;
};
