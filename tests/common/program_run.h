// Runs a program of this project as a user runs it from a terminal without
// a display, and collects what it says.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace draxa::test {

struct TProgramRun {
    int Status = -1; // -1: it did not end by itself within two minutes
    QString Output;
    QString Errors;
};

inline TProgramRun RunWithoutDisplay(const QString& Program, const QStringList& Arguments) {
    QProcess P;
    // No display at all: what runs from the command line must not need one.
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove(QStringLiteral("DISPLAY"));
    Env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    P.setProcessEnvironment(Env);
    P.start(Program, Arguments);
    TProgramRun Run;
    if (!P.waitForFinished(120000) || P.exitStatus() != QProcess::NormalExit) return Run;
    Run.Status = P.exitCode();
    Run.Output = QString::fromUtf8(P.readAllStandardOutput());
    Run.Errors = QString::fromLocal8Bit(P.readAllStandardError());
    return Run;
}

} // namespace draxa::test
