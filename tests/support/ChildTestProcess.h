#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <utility>
#include <vector>

// Starts this test program again as a child process that runs only the cases `filter` names,
// with `variables` added to its environment and its output merged into one channel. The
// child runs whole whatever share of the cases its parent was given: the test runner's
// sharding variables would otherwise hand it another share, often an empty one.
inline void startChildTest(QProcess& child, const QString& filter,
                           const std::vector<std::pair<QString, QString>>& variables) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* sharding :
         {"GTEST_SHARD_INDEX", "GTEST_TOTAL_SHARDS", "GTEST_SHARD_STATUS_FILE"}) {
        environment.remove(QString::fromLatin1(sharding));
    }
    for (const auto& [name, value] : variables) environment.insert(name, value);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=") + filter});
}
