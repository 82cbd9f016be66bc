#include "golden_compare.h"

#include <utility>

#include "config_text/tool_error.h"

namespace zebtool {

namespace {

std::string count_of(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// mpz_set_str refuses a leading '+'.
const char* int_digits(const std::string& text) {
    return (text.size() > 1 && text[0] == '+') ? text.c_str() + 1 : text.c_str();
}

std::ifstream& opened(std::ifstream& in, const std::string& path) {
    open_input_file(in, path, "golden file");
    return in;
}

bool is_digits(SampleFormat format) { return format == SampleFormat::Hex || format == SampleFormat::Bin; }

}  // namespace

GoldenComparer::GoldenComparer(const std::string& path, SampleFormat format, std::size_t paths, bool complex,
                               std::vector<unsigned> widths, const GoldenOptions& options)
    : path_(path),
      lines_(opened(in_, path), path, "error while reading golden file '" + path + "'"),
      format_(format),
      paths_(paths),
      complex_(complex),
      widths_(std::move(widths)),
      options_(options) {
    mpz_init(model_int_);
    mpz_init(golden_int_);
}

GoldenComparer::~GoldenComparer() {
    mpz_clear(model_int_);
    mpz_clear(golden_int_);
}

bool GoldenComparer::next_data_line() {
    std::vector<std::string_view>& fields = fields_;
    while (!ended_ && lines_.next(text_)) {
        const std::string_view content = strip_data_comment(text_);
        if (content.empty() || (is_digits(format_) && is_address_line(content))) continue;
        if (skipped_ < options_.skip) {
            // Not even parsed: a dump's reset samples may well be x.
            ++skipped_;
            last_skipped_line_ = lines_.line_number();
            continue;
        }
        try {
            split_fields(content, fields);
        } catch (const ToolError& e) {
            throw ToolError(at_line(path_, lines_.line_number()) + ": " + e.what());
        }
        const std::size_t columns = complex_ ? 2 * paths_ : paths_;
        if (fields.size() != columns)
            throw ToolError(at_line(path_, lines_.line_number()) + ": expected " + std::to_string(columns) +
                            (complex_ ? " values (re and im per path)" : " values (one per path)") + ", found " +
                            std::to_string(fields.size()));
        golden_.assign(fields.begin(), fields.end());
        return true;
    }
    ended_ = true;
    return false;
}

bool GoldenComparer::same_value(const std::string& model, const std::string& golden, std::size_t column) {
    const std::string where = at_line(path_, lines_.line_number());
    if (format_ == SampleFormat::Real) {
        double m = 0.0;
        double g = 0.0;
        if (!parse_double(golden, g)) throw ToolError(where + ": not a finite number: '" + golden + "'");
        parse_double(model, m);
        return m == g;
    }
    if (format_ == SampleFormat::Int) {
        if (golden.empty() || mpz_set_str(golden_int_, int_digits(golden), 10) != 0)
            throw ToolError(where + ": not an integer: '" + golden + "' (--format int)");
        mpz_set_str(model_int_, model.c_str(), 10);
        return mpz_cmp(model_int_, golden_int_) == 0;
    }
    // The model's text is its value modulo 2^width, the golden one must be
    // a pattern of that width: equal patterns are equal modulo 2^width.
    const int radix = format_ == SampleFormat::Hex ? 16 : 2;
    const DigitsCheck check = check_digits(golden, radix, widths_[column]);
    if (check != DigitsCheck::Ok)
        throw ToolError(where + ": " +
                        digits_problem(check, column + 1, golden, radix, widths_[column],
                                       std::string("--format ") + format_name(format_)));
    mpz_set_str(golden_int_, golden.c_str(), radix);
    mpz_set_str(model_int_, model.c_str(), radix);
    return mpz_cmp(model_int_, golden_int_) == 0;
}

void GoldenComparer::compare_slot(const std::vector<std::string>& fields, std::uint64_t vector, std::size_t slot) {
    if (!next_data_line()) {
        ++extra_model_slots_;
        return;
    }
    ++slots_;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        ++samples_;
        if (same_value(fields[i], golden_[i], i)) continue;
        if (differing_++ < options_.max_listed) {
            const std::string where = "vector " + std::to_string(vector) + ", path " +
                                      std::to_string(complex_ ? i / 2 : i) +
                                      (complex_ ? (i % 2 ? " (im)" : " (re)") : "") + ", slot " + std::to_string(slot);
            mismatches_.push_back("mismatch: " + where + ": dump: " + golden_[i] + ", model: " + fields[i] + " (" +
                                  at_line(path_, lines_.line_number()) + ")");
        }
    }
}

bool GoldenComparer::finish() {
    while (next_data_line()) {
        if (extra_golden_lines_++ == 0) first_extra_golden_line_ = lines_.line_number();
    }
    return differing_ == 0 && extra_model_slots_ == 0 && extra_golden_lines_ == 0;
}

void GoldenComparer::report(std::FILE* out) const {
    std::string text;
    if (options_.skip != 0) {
        text += "skipped the first " + count_of(options_.skip, "data line", "data lines") + " of " + path_;
        text += skipped_ == options_.skip ? " (to line " + std::to_string(last_skipped_line_) + ")\n"
                                          : ": it has only " + std::to_string(skipped_) + "\n";
    }
    text += "compared " + count_of(samples_, "sample", "samples") + " (" +
            count_of(slots_, "output slot", "output slots") + ") with " + path_ + ": ";
    if (differing_ == 0)
        text += "all equal\n";
    else
        text += count_of(differing_, "differs", "differ") + "\n";
    for (const std::string& mismatch : mismatches_) text += mismatch + "\n";
    if (extra_model_slots_ != 0)
        text += path_ + " has only " + count_of(slots_, "data line", "data lines") +
                (options_.skip != 0 ? " after the first " + std::to_string(options_.skip) : std::string()) +
                ", but the model produced " + count_of(extra_model_slots_, "more output slot", "more output slots") +
                "\n";
    if (extra_golden_lines_ != 0)
        text += path_ + " has " + count_of(extra_golden_lines_, "more data line", "more data lines") +
                " than the model produced, from line " + std::to_string(first_extra_golden_line_) + "\n";
    std::fputs(text.c_str(), out);
}

}  // namespace zebtool
