// The Octave/MATLAB gateway: zebfir_mex(COMMAND, ID, ...), one command per
// method of zebfir.Filter.  Models live in a table keyed by an id that is
// never reused; M code never sees a pointer.  Errors and warnings are raised
// only after every C++ object of the call is gone, through the interpreter's
// own error() and warning(), so no unwinding or longjmp crosses our frames
// while they hold resources, and the texts carry no function-name prefix.
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config_text/config_builder.h"
#include "config_text/config_fields.h"
#include "config_text/tool_error.h"
#include "mex.h"
#include "mex_arrays.h"
#include "mex_model.h"

using zebmex::MexError;
using zebmex::Model;

namespace {

std::map<double, std::unique_ptr<Model>> g_models;
double g_next_id = 1;
bool g_locked = false;
std::vector<zebmex::Message> g_warnings;
std::string g_error_id, g_error_text, g_warning_id, g_warning_text;

void free_all() {
    g_models.clear();
    if (g_locked) mexUnlock();
    g_locked = false;
}

// While a model lives, clear functions must not unload the table.
void keep_loaded() {
    if (!g_models.empty() && !g_locked) mexLock();
    if (g_models.empty() && g_locked) mexUnlock();
    g_locked = !g_models.empty();
}

Model& model_of(const mxArray* id) {
    const auto found = zebmex::is_real_scalar(id) ? g_models.find(mxGetScalar(id)) : g_models.end();
    if (found == g_models.end()) throw MexError("zebfir:handle", "invalid filter handle: the filter was deleted");
    return *found->second;
}

using Args = zebmex::Args;

// ---------------------------------------------------------------- lifecycle

// create(FILE, FIELD, VALUE, ...): FILE '' for none; fields override it.
void create(Args a) {
    zebtool::ConfigBuilder builder;
    const std::string file = zebmex::text_of(a.in(0), "configuration file name", "zebfir:config");
    std::vector<std::string> assignments;
    bool sets_given = false;
    std::size_t rows = 0;
    if (a.count() % 2 == 0) throw MexError("zebfir:config", "fields must come in FIELD, VALUE pairs");
    for (std::size_t i = 1; i + 1 < a.count(); i += 2) {
        const std::string field = zebmex::text_of(a.in(i), "a field name", "zebfir:config");
        sets_given |= field == "coeff_sets";
        if (field == "coeff" && !mxIsChar(a.in(i + 1))) {
            assignments.push_back("coeff=" + zebmex::coefficient_text(a.in(i + 1), rows));
        } else {
            assignments.push_back(field + "=" + zebmex::field_text(field, a.in(i + 1)));
        }
    }
    if (rows > 1 && !sets_given) assignments.push_back("coeff_sets=" + std::to_string(rows));
    try {
        if (!file.empty()) builder.load_config_file(file);
        for (const std::string& assignment : assignments)
            builder.assign(assignment, assignment.compare(0, 6, "coeff=") == 0 ? "coeff" : assignment);
        auto model = std::make_unique<Model>(builder.finish(), g_warnings);
        const double id = g_next_id++;
        g_models.emplace(id, std::move(model));
        keep_loaded();
        a.out(0, mxCreateDoubleScalar(id));
    } catch (const zebtool::ToolError& e) {
        throw MexError("zebfir:config", e.what());
    }
}

void destroy(Args a) {
    if (zebmex::is_real_scalar(a.in(0))) g_models.erase(mxGetScalar(a.in(0)));
    keep_loaded();
}

// ---------------------------------------------------------------- samples

void send(Args a) {
    Model& m = model_of(a.in(0));
    const zebmex::Options o(a, 2, false, true);
    const zebmex::Input x = zebmex::input_of(m, a.in(1), o.int_input, false);
    m.send(x.values, x.vectors);
}

void read(Args a) {
    Model& m = model_of(a.in(0));
    const zebmex::Options o(a, 1, true, false);
    const zebmex::OutputKind kind = o.kind(m);
    a.out(0, zebmex::output_of(m, m.read(), kind, false, false));
}

void process(Args a) {
    Model& m = model_of(a.in(0));
    const zebmex::Options o(a, 2, true, true);
    const zebmex::OutputKind kind = o.kind(m);
    const zebmex::Input x = zebmex::input_of(m, a.in(1), o.int_input, false);
    m.send(x.values, x.vectors);
    a.out(0, zebmex::output_of(m, m.read(), kind, x.row, false));
}

void send_slot(Args a) {
    Model& m = model_of(a.in(0));
    const zebmex::Options o(a, 2, false, true);
    m.send_slot(zebmex::input_of(m, a.in(1), o.int_input, true).values);
}

void read_slot(Args a) {
    Model& m = model_of(a.in(0));
    const zebmex::Options o(a, 1, true, false);
    const zebmex::OutputKind kind = o.kind(m);
    a.out(0, zebmex::output_of(m, m.read_slot(), kind, false, true));
}

// ---------------------------------------------------------------- packets

constexpr long long kUintMax = 4294967295LL;

// config(ID, FSEL, PATTERN): PATTERN [] or absent for the previous one.
void config(Args a) {
    Model& m = model_of(a.in(0));
    zebtool::PacketCommand command;
    for (double v : zebmex::integers_of(a.in(1), "fsel", 0, kUintMax)) command.fsel.push_back(static_cast<unsigned>(v));
    if (a.count() > 2 && !mxIsEmpty(a.in(2))) {
        command.chanpat_given = true;
        command.chanpat = static_cast<int>(zebmex::integer_of(a.in(2), "pattern", -2147483648LL, 2147483647LL));
    }
    m.packet(command);
}

void reload(Args a) {
    Model& m = model_of(a.in(0));
    zebtool::PacketCommand command;
    command.kind = zebtool::PacketCommand::Kind::Reload;
    command.fsel.push_back(static_cast<unsigned>(zebmex::integer_of(a.in(1), "reload fsel", 0, kUintMax)));
    command.coeff = zebmex::finite_values(a.in(2), "reload coefficient");
    m.packet(command);
}

void reset(Args a) {
    zebtool::PacketCommand command;
    command.kind = zebtool::PacketCommand::Kind::Reset;
    model_of(a.in(0)).packet(command);
}

// ---------------------------------------------------------------- inspection

void get_config(Args a) { a.out(0, zebmex::config_struct(model_of(a.in(0)))); }
void info(Args a) { a.out(0, zebmex::info_struct(model_of(a.in(0)).info())); }
void wrap_counts(Args a) { a.out(0, zebmex::wrap_struct(model_of(a.in(0)))); }
void clear_wrap_counts(Args a) { model_of(a.in(0)).clear_wrap_counts(); }

void coefficients(Args a) {
    Model& m = model_of(a.in(0));
    const zeb_fir_v7_1_config& c = m.normalised();
    mxArray* out = mxCreateDoubleMatrix(c.coeff_sets, c.num_coeffs, mxREAL);
    double* to = mxGetPr(out);
    for (unsigned set = 0; set < c.coeff_sets; ++set) {
        const std::vector<double> taps = m.coefficients(set);
        for (std::size_t k = 0; k < taps.size() && k < c.num_coeffs; ++k) to[set + k * c.coeff_sets] = taps[k];
    }
    a.out(0, out);
}

void group_delay(Args a) {
    Model& m = model_of(a.in(0));
    const unsigned set = a.count() > 1 ? static_cast<unsigned>(zebmex::integer_of(a.in(1), "set", 0, kUintMax)) : 0;
    const std::pair<double, double> delay = m.group_delay(set);
    a.out(0, mxCreateDoubleScalar(delay.first));
    a.out(1, mxCreateDoubleScalar(delay.second));
}

struct Command {
    const char* name;
    void (*run)(Args);
    std::size_t min_args;  // after the command name
};

const Command kCommands[] = {
    {"create", create, 1},
    {"destroy", destroy, 1},
    {"send", send, 2},
    {"read", read, 1},
    {"process", process, 2},
    {"send_slot", send_slot, 2},
    {"read_slot", read_slot, 1},
    {"config", config, 2},
    {"reload", reload, 3},
    {"reset", reset, 1},
    {"get_config", get_config, 1},
    {"info", info, 1},
    {"coefficients", coefficients, 1},
    {"group_delay", group_delay, 1},
    {"wrap_counts", wrap_counts, 1},
    {"clear_wrap_counts", clear_wrap_counts, 1},
};

// Runs the command; a refusal is kept for the caller to raise.
bool run(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    try {
        if (nrhs < 1 || !mxIsChar(prhs[0])) throw MexError("zebfir:input", "usage: zebfir_mex(COMMAND, ...)");
        const std::string name = zebmex::text_of(prhs[0], "command", "zebfir:input");
        for (const Command& command : kCommands) {
            if (name != command.name) continue;
            if (static_cast<std::size_t>(nrhs - 1) < command.min_args)
                throw MexError("zebfir:input", name + ": not enough arguments");
            command.run(Args(nlhs, plhs, nrhs - 1, prhs + 1));
            return true;
        }
        throw MexError("zebfir:input", "unknown command '" + name + "'");
    } catch (const MexError& e) {
        g_error_id = e.id();
        g_error_text = e.what();
    } catch (const std::bad_alloc&) {
        g_error_id = "zebfir:model";
        g_error_text = "out of memory";
    } catch (const std::exception& e) {
        g_error_id = "zebfir:model";
        g_error_text = e.what();
    }
    return false;
}

void call_interpreter(const char* function, const std::string& id, const std::string& text) {
    mxArray* args[3] = {mxCreateString(id.c_str()), mxCreateString("%s"), mxCreateString(text.c_str())};
    mexCallMATLAB(0, nullptr, 3, args, function);
}

}  // namespace

// The one symbol the interpreter looks up; the rest stays hidden.
#if defined(__GNUC__)
__attribute__((visibility("default")))
#endif
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    mexAtExit(free_all);
    const bool ok = run(nlhs, plhs, nrhs, prhs);
    // warning() may itself raise (warning('error', ID)): take each off the
    // queue before passing it on.
    while (!g_warnings.empty()) {
        g_warning_id = g_warnings.front().id;
        g_warning_text = g_warnings.front().text;
        g_warnings.erase(g_warnings.begin());
        call_interpreter("warning", g_warning_id, g_warning_text);
    }
    if (!ok) call_interpreter("error", g_error_id, g_error_text);
}
