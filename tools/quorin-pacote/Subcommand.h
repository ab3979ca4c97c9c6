#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <vector>

namespace quorin::pacote {

/// Exit codes of quorin-pacote.
enum ExitCode : int {
    ExitOk = 0,
    ExitBadInput = 1,  ///< an input file that cannot be read or is invalid
    ExitRefused = 2,   ///< the proposal's rules refuse the operation
    ExitUsage = 64,    ///< wrong arguments
};

/// What a subcommand runs with: its arguments (without the subcommand's name) and
/// the two output streams.
struct Context {
    QStringList args;
    std::FILE* out = stdout;
    std::FILE* err = stderr;

    void Print(const QString& text) const;       ///< to out, UTF-8, as given
    void PrintError(const QString& text) const;  ///< to err with the "quorin-pacote: " prefix and a newline
    /// A fault of an input file: "FILE: message", unless the message names the file already.
    void PrintFileError(const QString& file, const QString& message) const {
        PrintError(message.contains(file) ? message : file + QStringLiteral(": ") + message);
    }
    void WriteBytes(const QByteArray& bytes) const;
};

/// One subcommand. A subcommand lives in its own source file and registers itself
/// with a static Registration object:
///
///     static const Registration reg{{"preencher", "preenche marcas e preços", Usage, Run}};
struct Subcommand {
    QString name;
    QString summary;  ///< one line for the general help
    QString usage;    ///< the full text of "quorin-pacote NAME --help"
    std::function<int(const Context&)> run;
};

/// Subcommands in name order.
const std::vector<Subcommand>& Subcommands();
/// The registered subcommand of that name, or nullptr.
const Subcommand* FindSubcommand(const QString& name);

struct Registration {
    explicit Registration(Subcommand subcommand);
};

/// One "--name VALUE" option of a subcommand and where its value goes; set
/// tells whether it was given (an option given empty still counts).
struct Option {
    QString name;
    QString* value;
    bool* given = nullptr;
};

/// Reads one positional argument and the given options, in any order. False
/// with the problem in Portuguese for an option without its value, an unknown
/// option or a second positional argument.
bool ParseOptions(const QStringList& args, QString& positional, const std::vector<Option>& options,
                  QString& problem);

/// The digits and letters of a typed document (CPF or CNPJ), letters in upper
/// case, as the window's masked field holds them: punctuation is ignored.
QString SoDocumento(const QString& text);

/// True when the arguments ask for help ("--help" or "-h" anywhere).
bool WantsHelp(const QStringList& args);
/// Prints the problem and the usage of the subcommand to err and returns ExitUsage.
int UsageError(const Context& context, const QString& subcommand, const QString& problem);

}  // namespace quorin::pacote
