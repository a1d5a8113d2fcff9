#include "app/CliOptions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/CliOutput.h"

namespace quorvane {

namespace {

// Every command has it, after its own options.
constexpr TCliOption HelpOption{"-h, --help", "", "show this help and exit"};

// The name column of the tool's own help.
constexpr std::size_t CommandColumn = 32;

// Name is one of the option's comma-separated Names.
bool Names(const TCliOption& Option, std::string_view Name) {
    std::string_view Rest = Option.Names;
    while (!Rest.empty()) {
        const std::size_t Comma = Rest.find(',');
        if (Rest.substr(0, Comma) == Name)
            return true;
        Rest = Comma == std::string_view::npos ? std::string_view() : Rest.substr(Comma + 1);
        while (Rest.starts_with(' '))
            Rest.remove_prefix(1);
    }
    return false;
}

const TCliOption* FindOption(const TCliCommand& Command, std::string_view Name) {
    if (Names(HelpOption, Name))
        return &HelpOption;
    for (const TCliOption& Option : Command.Options)
        if (Names(Option, Name))
            return &Option;
    return nullptr;
}

// "--sfv and --md5", "--sfv or --md5": the options of one Choice.
std::string ChoiceText(const TCliCommand& Command, int Choice, std::string_view Last) {
    std::vector<std::string_view> Found;
    for (const TCliOption& Option : Command.Options)
        if (Option.Choice == Choice)
            Found.push_back(Option.Names);
    std::string Text;
    for (std::size_t I = 0; I < Found.size(); ++I) {
        if (I > 0)
            Text += I + 1 == Found.size() ? Last : std::string_view(", ");
        Text += Found[I];
    }
    return Text;
}

void AppendHelpLines(std::string& Text, std::string Label, std::string_view Help, std::size_t Column) {
    for (bool First = true; First || !Help.empty(); First = false) {
        const std::size_t End = Help.find('\n');
        Text += First ? "  " + Label : std::string();
        Text.append(Column - (First ? Label.size() + 2 : 0), ' ');
        Text.append(Help.substr(0, End));
        Text += '\n';
        Help = End == std::string_view::npos ? std::string_view() : Help.substr(End + 1);
    }
}

} // namespace

bool TCliArgs::Has(std::string_view Name) const {
    return std::any_of(Given.begin(), Given.end(), [&](const auto& G) { return Names(*G.first, Name); });
}

std::string TCliArgs::Value(std::string_view Name) const {
    for (auto It = Given.rbegin(); It != Given.rend(); ++It)
        if (Names(*It->first, Name))
            return It->second;
    return {};
}

int CliUsageError(const TCliCommand& Command, std::string_view Text) {
    const std::string Name(Command.Name);
    std::fprintf(stderr, "quorvane-cli: %s: %s\nTry 'quorvane-cli %s --help'.\n", Name.c_str(),
                 Printable(Text).c_str(), Name.c_str());
    return 2;
}

THashKind CliKindOf(const TCliArgs& Args, THashKind Default) {
    for (const auto& [Option, Kind] : {std::pair{"--sfv", THashKind::Crc32}, {"--crc32", THashKind::Crc32},
                                       {"--md5", THashKind::Md5}, {"--sha1", THashKind::Sha1},
                                       {"--sha256", THashKind::Sha256}, {"--sha512", THashKind::Sha512},
                                       {"--blake3", THashKind::Blake3}})
        if (Args.Has(Option))
            return Kind;
    return Default;
}

std::optional<int> CliJobsValue(const TCliCommand& Command, const TCliArgs& Args, int& Jobs) {
    if (!Args.Has("--jobs"))
        return std::nullopt;
    const std::string Text = Args.Value("--jobs");
    char* End = nullptr;
    const long N = std::strtol(Text.c_str(), &End, 10);
    if (Text.empty() || *End != '\0' || N < 1 || N > 64)
        return CliUsageError(Command, "--jobs needs a number from 1 to 64, not '" + Text + "'");
    Jobs = static_cast<int>(N);
    return std::nullopt;
}

std::optional<int> ParseCliArgs(const TCliCommand& Command, const TArgs& Args, TCliArgs& Parsed) {
    bool OptionsDone = false;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& Arg = Args[I];
        if (OptionsDone || Arg.size() < 2 || Arg[0] != '-') {
            Parsed.Operands.push_back(Arg);
            OptionsDone = OptionsDone || Command.OptionsFirst;
            continue;
        }
        if (Arg == "--") {
            OptionsDone = true;
            continue;
        }
        const TCliOption* Option = FindOption(Command, Arg);
        if (!Option)
            return CliUsageError(Command, "unknown option '" + Arg + "'");
        if (Option == &HelpOption) {
            PutOut(CliHelpText(Command));
            return 0;
        }
        std::string Value;
        if (!Option->Value.empty()) {
            if (I + 1 >= Args.size() || Args[I + 1].empty())
                return CliUsageError(Command, "option '" + Arg + "' needs a value");
            Value = Args[++I];
        }
        if (Option->Choice != 0)
            for (const auto& [Other, Ignored] : Parsed.Given)
                if (Other->Choice == Option->Choice && Other != Option)
                    return CliUsageError(Command, "choose one of " + ChoiceText(Command, Option->Choice, " and "));
        Parsed.Given.emplace_back(Option, std::move(Value));
    }
    if (Command.RequiredChoice != 0 &&
        std::none_of(Parsed.Given.begin(), Parsed.Given.end(),
                     [&](const auto& G) { return G.first->Choice == Command.RequiredChoice; }))
        return CliUsageError(Command, "give " + ChoiceText(Command, Command.RequiredChoice, " or "));
    if (Parsed.Operands.empty())
        return CliUsageError(Command, "no " + std::string(Command.Operand) + " given");
    return std::nullopt;
}

std::string CliHelpText(const TCliCommand& Command) {
    // One help line per option; an option without help text shares the line of the next ("--sfv, --md5").
    std::vector<std::pair<std::string, std::string_view>> Lines;
    std::string Label;
    const auto Add = [&](const TCliOption& Option) {
        Label += (Label.empty() ? "" : ", ") + std::string(Option.Names);
        if (!Option.Value.empty())
            Label += " " + std::string(Option.Value);
        if (!Option.Help.empty())
            Lines.emplace_back(std::exchange(Label, {}), Option.Help);
    };
    for (const TCliOption& Option : Command.Options)
        Add(Option);
    const std::string Rest = "the arguments that follow are " + std::string(Command.Operand) + "s";
    Add(TCliOption{"--", "", Rest});
    Add(HelpOption);
    std::size_t Width = 0;
    for (const auto& Line : Lines)
        Width = std::max(Width, Line.first.size());

    std::string Text = "Usage: quorvane-cli " + std::string(Command.Name) + " " + std::string(Command.Synopsis) +
                       "\n" + std::string(Command.About) + "\n";
    for (const auto& [Names, Help] : Lines)
        AppendHelpLines(Text, Names, Help, Width + 4);
    return Text + "\n" + std::string(Command.Footer);
}

std::string CliCommandLine(const TCliCommand& Command) {
    const std::string Label = std::string(Command.Name) + " " + std::string(Command.Synopsis);
    std::string Text;
    if (Label.size() + 4 > CommandColumn)
        Text = "  " + Label + "\n" + std::string(CommandColumn, ' ');
    else
        Text = "  " + Label + std::string(CommandColumn - 2 - Label.size(), ' ');
    return Text + std::string(Command.Summary) + "\n";
}

} // namespace quorvane
