// orvexctl: the unit's operations without a window, for workshops and scripts.
#include <QCoreApplication>

#include <cstdio>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_request.h"
#include "cli/unit_session.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexctl"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvex"));
    UnitSession::watchInterrupts();
    const QStringList arguments = QCoreApplication::arguments();
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.request) {
        // A script that asked for JSON gets it for a command line it got wrong, too.
        CliOutput out(CliOutput::jsonAsked(arguments), false);
        if (!parsed.error.isEmpty()) {
            out.error(parsed.error);
            out.finish(CliExit::kUsage);
            return CliExit::kUsage;
        }
        if (out.json()) {
            out.result({{"text", parsed.text}}, QString());
        } else {
            std::fputs(parsed.text.toUtf8().constData(), stdout);
        }
        out.finish(CliExit::kOk);
        return CliExit::kOk;
    }
    CliOutput out(parsed.request->json, parsed.request->quiet);
    const int exitCode = cli::run(*parsed.request, out);
    out.finish(exitCode);
    return exitCode;
}
