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
    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.request) {
        if (!parsed.error.isEmpty()) {
            std::fprintf(stderr, "orvexctl: %s\n", qPrintable(parsed.error));
            return CliExit::kUsage;
        }
        std::fputs(parsed.text.toUtf8().constData(), stdout);
        return CliExit::kOk;
    }
    CliOutput out(parsed.request->json, parsed.request->quiet);
    return cli::run(*parsed.request, out);
}
