#include "packet_commands.h"

#include "c_records.h"
#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

namespace {

const char* kind_word(PacketCommand::Kind kind) {
    switch (kind) {
        case PacketCommand::Kind::Config: return "config";
        case PacketCommand::Kind::Reload: return "reload";
        case PacketCommand::Kind::Reset: return "reset";
    }
    return "";
}

// A new one-dimensional record holding the values.
template <typename R, typename T>
zeb_records::Owned<R> record_of(const std::vector<T>& values) {
    zeb_records::Owned<R> record = make_record<R>();
    if (zeb_records::fill_1d(*record, values.data(), values.size()) != ZEB_STATUS_OK)
        throw ToolError("out of memory filling a packet array");
    return record;
}

// Fills the command's fields from KEY=VALUE arguments.
void read_arguments(PacketCommand& command, const std::vector<std::string_view>& arguments) {
    bool coeff_given = false;
    for (std::string_view argument : arguments) {
        const std::size_t eq = argument.find('=');
        const std::string_view key = argument.substr(0, eq);
        const std::string_view value = eq == std::string_view::npos ? std::string_view() : argument.substr(eq + 1);
        const std::string bad = "bad value in '" + std::string(argument) + "'";
        if (eq == std::string_view::npos || command.kind == PacketCommand::Kind::Reset)
            throw ToolError("unexpected argument '" + std::string(argument) + "'");
        if (key == "fsel" && command.kind == PacketCommand::Kind::Config) {
            if (!parse_unsigned_list(value, command.fsel))
                throw ToolError(bad + ": expected selectors separated by commas");
        } else if (key == "chanpat" && command.kind == PacketCommand::Kind::Config) {
            std::int64_t v = 0;
            if (!parse_int64(value, v) || v < INT32_MIN || v > INT32_MAX)
                throw ToolError(bad + ": expected a pattern number");
            command.chanpat = static_cast<zeb_fir_v7_1_pattern>(v);
            command.chanpat_given = true;
        } else if (key == "fsel" && command.kind == PacketCommand::Kind::Reload) {
            if (!parse_unsigned_list(value, command.fsel) || command.fsel.size() != 1)
                throw ToolError(bad + ": expected one coefficient-set number");
        } else if (key == "coeff" && command.kind == PacketCommand::Kind::Reload) {
            if (!parse_double_list(value, command.coeff) || command.coeff.empty())
                throw ToolError(bad + ": expected numbers separated by commas");
            coeff_given = true;
        } else {
            throw ToolError("unknown argument '" + std::string(key) + "'");
        }
    }
    if (command.kind == PacketCommand::Kind::Reload && !coeff_given) throw ToolError("coeff=LIST is required");
    if (command.kind == PacketCommand::Kind::Reload && command.fsel.empty()) command.fsel.push_back(0);
}

}  // namespace

PacketCommand parse_packet_command(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    PacketCommand command;
    const std::string_view word = words.empty() ? std::string_view() : words[0];
    if (word == "config")
        command.kind = PacketCommand::Kind::Config;
    else if (word == "reload")
        command.kind = PacketCommand::Kind::Reload;
    else if (word == "reset")
        command.kind = PacketCommand::Kind::Reset;
    else
        throw ToolError("unknown command '@" + std::string(word) + "': expected @config, @reload or @reset");
    words.erase(words.begin());
    try {
        read_arguments(command, words);
    } catch (const ToolError& e) {
        throw ToolError("@" + std::string(word) + ": " + e.what());
    }
    return command;
}

ScheduledCommand parse_scheduled_command(PacketCommand::Kind kind, std::string_view option_value,
                                         const std::string& option_name) {
    const std::size_t colon = option_value.find(':');
    std::int64_t vector = 0;
    if (!parse_int64(option_value.substr(0, colon), vector) || vector < 0)
        throw ToolError(option_name + " " + std::string(option_value) +
                        ": expected VECTOR:KEY=VALUE..., VECTOR a number from 0");
    std::vector<std::string_view> arguments;
    std::size_t start = colon;
    while (start != std::string_view::npos) {
        const std::size_t next = option_value.find(':', start + 1);
        const std::string_view argument =
            option_value.substr(start + 1, next == std::string_view::npos ? std::string_view::npos : next - start - 1);
        if (!argument.empty()) arguments.push_back(argument);
        start = next;
    }
    ScheduledCommand scheduled;
    scheduled.vector = static_cast<std::uint64_t>(vector);
    scheduled.command.kind = kind;
    scheduled.origin = option_name + " " + std::string(option_value);
    try {
        read_arguments(scheduled.command, arguments);
    } catch (const ToolError& e) {
        throw ToolError(scheduled.origin + ": " + e.what());
    }
    return scheduled;
}

void send_packet_command(zeb_fir_v7_1* model, const PacketCommand& command, PatternMemory& patterns) {
    zeb_status status = ZEB_STATUS_OK;
    switch (command.kind) {
        case PacketCommand::Kind::Config: {
            const auto fsel = record_of<zeb_array_uint>(command.fsel);
            if (command.chanpat_given) patterns.current = command.chanpat;
            const zeb_fir_v7_1_cnfg_packet packet{patterns.current, fsel.get()};
            status = zeb_fir_v7_1_config_send(model, &packet);
            break;
        }
        case PacketCommand::Kind::Reload: {
            const auto coeff = record_of<zeb_array_real>(command.coeff);
            const zeb_fir_v7_1_rld_packet packet{command.fsel.empty() ? 0u : command.fsel[0], coeff.get()};
            status = zeb_fir_v7_1_reload_send(model, &packet);
            break;
        }
        case PacketCommand::Kind::Reset:
            status = zeb_fir_v7_1_reset(model);
            patterns.current = patterns.initial;
            break;
    }
    if (status != ZEB_STATUS_OK)
        throw ToolError(std::string("the model refused the ") + kind_word(command.kind) + " packet");
}

}  // namespace zebtool
