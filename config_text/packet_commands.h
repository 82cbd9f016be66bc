// Run-time packets between vectors of the stimulus: configuration
// packets, coefficient reloads and resets, written as command lines in the
// stimulus ("@config fsel=1,0 chanpat=12") or scheduled from the command
// line ("--config-packet 100:fsel=1,0:chanpat=12").
#ifndef ZEB_CONFIG_TEXT_PACKET_COMMANDS_H
#define ZEB_CONFIG_TEXT_PACKET_COMMANDS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zeb_fir_v7_1.h"

namespace zebtool {

struct PacketCommand {
    enum class Kind { Config, Reload, Reset };
    Kind kind = Kind::Config;
    bool chanpat_given = false;
    zeb_fir_v7_1_pattern chanpat = ZEB_FIR_V7_1_PATTERN_BASIC;
    std::vector<unsigned int> fsel;  // Config: selectors; Reload: fsel[0] is the set
    std::vector<double> coeff;       // Reload
};

// A command and the input vector before which it is sent (0: before any
// data).  origin names it in messages.
struct ScheduledCommand {
    std::uint64_t vector = 0;
    PacketCommand command;
    std::string origin;
};

// Parses the text after '@' of a stimulus command line:
//   config [fsel=LIST] [chanpat=N]
//   reload [fsel=N] coeff=LIST
//   reset
// Throws ToolError.
PacketCommand parse_packet_command(std::string_view text);

// Parses the value of --config-packet or --reload, "VECTOR:KEY=VALUE:..."
// (the keys of the command of that kind).  Throws ToolError.
ScheduledCommand parse_scheduled_command(PacketCommand::Kind kind, std::string_view option_value,
                                         const std::string& option_name);

// The pattern a configuration packet names when its chanpat is not given:
// that of the previous configuration packet, or after creation and after
// a reset the model's init_pattern.
struct PatternMemory {
    zeb_fir_v7_1_pattern initial = ZEB_FIR_V7_1_PATTERN_BASIC;
    zeb_fir_v7_1_pattern current = ZEB_FIR_V7_1_PATTERN_BASIC;
};

// Sends the command to the model.  Throws ToolError when the model refuses
// it (the model's message is on standard error already).
void send_packet_command(zeb_fir_v7_1* model, const PacketCommand& command, PatternMemory& patterns);

}  // namespace zebtool

#endif
