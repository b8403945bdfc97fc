#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>

// The id of a process that has ended, as the process of a killed writer has.
inline qint64 idOfAnEndedProcess() {
    QProcess writer;
    writer.start(QStringLiteral("true"), {});
    if (!writer.waitForStarted()) return -1;
    const qint64 id = writer.processId();
    writer.waitForFinished();
    return id;
}

// Leaves beside `target` the temporary file that a writer killed in the middle of an atomic
// write of it leaves: hidden, named after the target, the writer's process and a counter.
// The writer is a process that has ended unless one is named. Returns the file's path.
inline QString leaveAbandonedWrite(const QString& target, qint64 writer = idOfAnEndedProcess()) {
    const QFileInfo info(target);
    QDir().mkpath(info.absolutePath());
    const QString path =
        QStringLiteral("%1/.%2.tmp-%3-7").arg(info.absolutePath(), info.fileName()).arg(writer);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write("half");
    return path;
}
