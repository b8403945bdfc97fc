#pragma once

#include <QString>
#include <QStringList>

// The client's compiled-in identity values and the roots of the servers it calls, read
// by every request builder.
//
// Every server root hangs under one server root URL: the value of the environment
// variable HOUSING_SERVER_ROOT, else the local stand-in at http://127.0.0.1:8600;
// setServerRoot() overrides both (tests, command line). Each server keeps its own path
// under that root, the same paths the stand-in server answers on (standin/README.md):
//
//   API host (data-share, users, push)  <root>            -> <root>/datashare/ ...
//   messaging message API               <root>/im/index.php
//   messaging streaming receive host    <root>/comet      -> <root>/comet/recvmsg?...
//   picture host                        <root>/img        -> <root>/img/<path>
//   log server                          <root>/log        -> <root>/log/ClientLog.ashx ...
//   backend                             <root>/backend/
class EndpointTable {
public:
    // Name of the environment variable that points every server root at one root URL.
    static constexpr const char* kServerRootVariable = "HOUSING_SERVER_ROOT";
    static constexpr const char* kDefaultServerRoot = "http://127.0.0.1:8600";

    // Client identity, sent in the request headers.
    [[nodiscard]] static QString clientAgent() { return QStringLiteral("iphone#320*480"); }
    [[nodiscard]] static QString model() { return QStringLiteral("Generic/iphone"); }
    [[nodiscard]] static QString agency() { return QStringLiteral("appstore"); }
    [[nodiscard]] static QString customerId() { return QStringLiteral("710"); }
    [[nodiscard]] static QString versionId() { return QStringLiteral("2.3.0"); }
    [[nodiscard]] static QString contentFormat() { return QStringLiteral("json2"); }
    [[nodiscard]] static QString dataVersion() { return QStringLiteral("1.0"); }

    // Radius steps of the housing list's "latlng" location filter, and the one in use.
    [[nodiscard]] static QStringList nearbyRadiusSteps();
    [[nodiscard]] static int radiusIndex() { return 2; }
    [[nodiscard]] static QString nearbyRadius() { return nearbyRadiusSteps().at(radiusIndex()); }

    // The cities the city screens offer first.
    [[nodiscard]] static QStringList hotCities();

    // Key of the phone-number cipher shared with the data-share server.
    [[nodiscard]] static QString cipherKey();

    // The user id sent while the application has none of its own from the server.
    [[nodiscard]] static QString fallbackUserId() {
        return QStringLiteral("3A7F19C0B2D84E65A91C0F3B7D2E8A46");
    }

    // The root URL every server root hangs under, without a trailing "/".
    [[nodiscard]] static QString serverRoot();
    // Points every server root at `root`; an empty text goes back to the environment
    // variable or the default.
    static void setServerRoot(const QString& root);

    [[nodiscard]] static QString logURL();
    [[nodiscard]] static QString adLogURL();
    // Root of the picture server, no path and no trailing "/" (joined as "%@/%@").
    [[nodiscard]] static QString imageHost();
    // A picture's address from a server's text: one beginning with "http" as it is, any
    // other a path on the picture server, joined to its root with one "/".
    [[nodiscard]] static QString imageURL(const QString& pathOrAddress);
    // Root of the API server, no trailing "/" (joined as "%@/users/...").
    [[nodiscard]] static QString apiHost();
    [[nodiscard]] static QString webIMPost();
    [[nodiscard]] static QString webIMGet();
    [[nodiscard]] static QString dataShareEndpoint();
    [[nodiscard]] static QString usersEndpoint();
    [[nodiscard]] static QString pushEndpoint();
    [[nodiscard]] static QString backend();
};
