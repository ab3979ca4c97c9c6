// quorin-pacote: the driver that picks the subcommand.
#include <QGuiApplication>
#include <algorithm>
#include <memory>

#include "Subcommand.h"
#include "runtime/FormatSettings.h"
#include "runtime/LocalTimeZone.h"

namespace quorin::pacote {

namespace {

std::vector<Subcommand>& Registry() {
    static std::vector<Subcommand> registry;
    return registry;
}

QString GeneralUsage() {
    QString text = QStringLiteral(
        "uso: quorin-pacote SUBCOMANDO [ARGUMENTOS]\n"
        "Ferramenta para os arquivos de processo (.KPZ) e de proposta (.PRO) do QuorinRealinhamentoPreco.\n\n"
        "Subcomandos:\n");
    for (const Subcommand& s : Subcommands()) {
        text += QStringLiteral("  %1  %2\n").arg(s.name.leftJustified(10), s.summary);
    }
    text += QStringLiteral(
        "\n\"quorin-pacote SUBCOMANDO --help\" explica cada subcomando; \"quorin-pacote --version\" mostra a "
        "versão.\n"
        "Saída: 0 sucesso, 1 arquivo de entrada inválido, 2 recusado pelas regras da proposta, 64 uso "
        "incorreto.\n");
    return text;
}

}  // namespace

void Context::Print(const QString& text) const {
    WriteBytes(text.toUtf8());
}

void Context::PrintError(const QString& text) const {
    const QByteArray bytes = (QStringLiteral("quorin-pacote: ") + text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err);
    std::fflush(err);
}

void Context::WriteBytes(const QByteArray& bytes) const {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
    std::fflush(out);
}

const std::vector<Subcommand>& Subcommands() {
    return Registry();
}

Registration::Registration(Subcommand subcommand) {
    auto& registry = Registry();
    registry.push_back(std::move(subcommand));
    std::sort(registry.begin(), registry.end(),
              [](const Subcommand& a, const Subcommand& b) { return a.name < b.name; });
}

bool ParseOptions(const QStringList& args, QString& positional, const std::vector<Option>& options,
                  QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto option =
            std::find_if(options.begin(), options.end(), [&](const Option& o) { return o.name == arg; });
        if (option != options.end()) {
            if (i + 1 >= args.size()) {
                problem = QStringLiteral("%1 precisa de um valor.").arg(arg);
                return false;
            }
            *option->value = args[++i];
            if (option->given)
                *option->given = true;
        } else if (arg.startsWith(QStringLiteral("--"))) {
            problem = QStringLiteral("opção desconhecida: %1").arg(arg);
            return false;
        } else if (positional.isEmpty()) {
            positional = arg;
        } else {
            problem = QStringLiteral("argumento a mais: %1").arg(arg);
            return false;
        }
    }
    return true;
}

QString SoDocumento(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c.isDigit() || (c.isLetter() && c.unicode() < 128)) {
            out += c.toUpper();
        }
    }
    return out;
}

bool WantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

const Subcommand* FindSubcommand(const QString& name) {
    for (const Subcommand& s : Subcommands()) {
        if (s.name == name) {
            return &s;
        }
    }
    return nullptr;
}

int UsageError(const Context& context, const QString& subcommand, const QString& problem) {
    context.PrintError(problem);
    const Subcommand* s = FindSubcommand(subcommand);
    const QByteArray usage = (s ? s->usage : GeneralUsage()).toUtf8();
    std::fwrite(usage.constData(), 1, size_t(usage.size()), context.err);
    return ExitUsage;
}

}  // namespace quorin::pacote

int main(int argc, char** argv) {
    using namespace quorin::pacote;
    // The report measures text with fonts, which needs a GUI application (never a window); the
    // other subcommands stay plain. The offscreen platform's remark about a missing runtime
    // folder is no business of the tool's user.
    const bool report = argc > 1 && qstrcmp(argv[1], "relatorio") == 0;
    quorin::ReadLocalTimeZoneOnce();
    std::unique_ptr<QCoreApplication> application;
    if (report) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QtMessageHandler previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& where, const QString& text) {
            if (text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")))
                return;
            if (previous)
                previous(type, where, text);
            else
                std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, where, text)));
        });
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    // The tool's messages and plain numbers follow the program's Brazilian settings.
    quorin::FormatSettings::setCurrent(quorin::FormatSettings::brazilian());
    QStringList args = app.arguments().mid(1);
    Context context;
    if (args.isEmpty()) {
        context.PrintError(QStringLiteral("falta o subcomando."));
        const QByteArray usage = GeneralUsage().toUtf8();
        std::fwrite(usage.constData(), 1, size_t(usage.size()), stderr);
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    if (name == QStringLiteral("--help") || name == QStringLiteral("-h") || name == QStringLiteral("ajuda")) {
        context.Print(GeneralUsage());
        return ExitOk;
    }
    if (name == QStringLiteral("--version")) {
        context.Print(QStringLiteral("quorin-pacote " QUORIN_VERSION "\n"));
        return ExitOk;
    }
    if (const Subcommand* s = FindSubcommand(name)) {
        context.args = args;
        if (WantsHelp(args)) {
            context.Print(s->usage);
            return ExitOk;
        }
        return s->run(context);
    }
    context.PrintError(QStringLiteral("subcomando desconhecido: \"%1\".").arg(name));
    const QByteArray usage = GeneralUsage().toUtf8();
    std::fwrite(usage.constData(), 1, size_t(usage.size()), stderr);
    return ExitUsage;
}
