// Inspection: the configuration as the model uses it, its info and wrap
// counts by field name, the group delay of a set.
#include <algorithm>
#include <climits>
#include <iterator>
#include <tuple>
#include <type_traits>

#include "handle_registry.h"
#include "zeb_fir_v7_1_dpi.h"
#include "zeb_fir_v7_1_inspect.h"

using zebdpi::DpiError;
using zebdpi::DpiModel;
using zebdpi::with_model;

namespace {

using Info = zeb_fir_v7_1_info;
using Wraps = zeb_fir_v7_1_wrap_counts;
using Position = zeb_fir_v7_1_position;

// A longint carries the unsigned counts; beyond it they read as its largest.
template <typename T>
long long to_longint(T value) {
    if constexpr (std::is_unsigned_v<T>) {
        return value > LLONG_MAX ? LLONG_MAX : static_cast<long long>(value);
    } else {
        return value;
    }
}

template <typename Record>
struct Field {
    const char* name;
    long long (*get)(const Record&);
};

template <auto Member>
long long member(const Info& info) {
    return to_longint(info.*Member);
}

template <auto Member>
long long count(const Wraps& wraps) {
    return to_longint(wraps.*Member);
}

template <auto Side, auto Member>
long long position(const Wraps& wraps) {
    return to_longint(wraps.*Side.*Member);
}

const Field<Info> kInfoFields[] = {
    {"data_width", member<&Info::data_width>},
    {"data_fract_width", member<&Info::data_fract_width>},
    {"coeff_width", member<&Info::coeff_width>},
    {"coeff_fract_width", member<&Info::coeff_fract_width>},
    {"acc_width", member<&Info::acc_width>},
    {"output_width", member<&Info::output_width>},
    {"output_fract_width", member<&Info::output_fract_width>},
    {"output_lsb_exponent", member<&Info::output_lsb_exponent>},
    {"arithmetic", member<&Info::arithmetic>},
    {"current_pattern", member<&Info::current_pattern>},
    {"queued_configs", member<&Info::queued_configs>},
    {"queued_reloads", member<&Info::queued_reloads>},
};

const Field<Wraps> kWrapFields[] = {
    {"input", count<&Wraps::input>},
    {"output", count<&Wraps::output>},
    {"coefficients", count<&Wraps::coefficients>},
    {"first_input_vector", position<&Wraps::first_input, &Position::vector>},
    {"first_input_path", position<&Wraps::first_input, &Position::path>},
    {"first_input_slot", position<&Wraps::first_input, &Position::slot>},
    {"first_output_vector", position<&Wraps::first_output, &Position::vector>},
    {"first_output_path", position<&Wraps::first_output, &Position::path>},
    {"first_output_slot", position<&Wraps::first_output, &Position::slot>},
};

template <typename Record, std::size_t N>
long long field_of(const Field<Record> (&fields)[N], const Record& record, std::string_view name, const char* kind) {
    const auto* f =
        std::find_if(std::begin(fields), std::end(fields), [name](const auto& x) { return name == x.name; });
    if (f == std::end(fields)) throw DpiError("unknown " + std::string(kind) + " field '" + std::string(name) + "'");
    return f->get(record);
}

// Runs get(model, field) into *value, as every getter by field name does.
template <typename Get>
int get_named(const char* function, void* model, const char* field, long long* value, Get get) {
    return with_model(function, model, [=](DpiModel& m) {
        if (!field || !value) throw DpiError("null field name or value pointer");
        *value = get(m, field);
    });
}

}  // namespace

namespace zebdpi {

long long DpiModel::info(std::string_view name) {
    Info info{};
    call_message_.clear();
    check(zeb_fir_v7_1_get_info(model_.get(), &info), "the info read");
    return field_of(kInfoFields, info, name, "info");
}

long long DpiModel::wrap_count(std::string_view name) {
    Wraps wraps{};
    call_message_.clear();
    check(zeb_fir_v7_1_get_wrap_counts(model_.get(), &wraps), "the wrap count read");
    return field_of(kWrapFields, wraps, name, "wrap count");
}

void DpiModel::clear_wrap_counts() {
    call_message_.clear();
    check(zeb_fir_v7_1_clear_wrap_counts(model_.get()), "clearing the wrap counts");
}

std::pair<double, double> DpiModel::group_delay(int set) {
    if (set < 0 || static_cast<unsigned int>(set) >= config_.coeff_sets)
        throw DpiError("coefficient set " + std::to_string(set) + " out of range: coeff_sets is " +
                       std::to_string(config_.coeff_sets));
    std::pair<double, double> delay{0.0, 0.0};
    call_message_.clear();
    check(zeb_fir_v7_1_get_group_delay(model_.get(), static_cast<unsigned int>(set), &delay.first, &delay.second),
          "the group delay");
    return delay;
}

}  // namespace zebdpi

extern "C" {

int zeb_fir_v7_1_dpi_get_field(void* model, const char* field, long long* value) {
    return get_named(__func__, model, field, value, [](DpiModel& m, const char* name) { return m.field(name); });
}

int zeb_fir_v7_1_dpi_get_info(void* model, const char* field, long long* value) {
    return get_named(__func__, model, field, value, [](DpiModel& m, const char* name) { return m.info(name); });
}

int zeb_fir_v7_1_dpi_get_wrap_count(void* model, const char* field, long long* value) {
    return get_named(__func__, model, field, value, [](DpiModel& m, const char* name) { return m.wrap_count(name); });
}

int zeb_fir_v7_1_dpi_clear_wrap_counts(void* model) {
    return with_model(__func__, model, [](DpiModel& m) { m.clear_wrap_counts(); });
}

int zeb_fir_v7_1_dpi_get_group_delay(void* model, int coeff_set, double* input_samples, double* output_samples) {
    return with_model(__func__, model, [=](DpiModel& m) {
        if (!input_samples || !output_samples) throw DpiError("null value pointer");
        std::tie(*input_samples, *output_samples) = m.group_delay(coeff_set);
    });
}

}  // extern "C"
