#include "golden_compare.h"

#include "text_fields.h"
#include "tool_error.h"

namespace zebtool {

namespace {

std::string count_of(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// mpz_set_str refuses a leading '+'.
const char* int_digits(const std::string& text)
{
    return (text.size() > 1 && text[0] == '+') ? text.c_str() + 1 : text.c_str();
}

}  // namespace

GoldenComparer::GoldenComparer(const std::string& path, SampleFormat format, std::size_t paths, bool complex)
    : path_(path), in_(path), format_(format), paths_(paths), complex_(complex)
{
    if (!in_)
        throw ToolError("cannot read golden file '" + path + "'");
    mpz_init(model_int_);
    mpz_init(golden_int_);
}

GoldenComparer::~GoldenComparer()
{
    mpz_clear(model_int_);
    mpz_clear(golden_int_);
}

bool GoldenComparer::next_data_line()
{
    std::vector<std::string_view>& fields = fields_;
    while (!ended_ && std::getline(in_, text_)) {
        ++line_;
        const std::string_view content = strip_comment(text_);
        if (content.empty())
            continue;
        try {
            split_fields(content, fields);
        } catch (const ToolError& e) {
            throw ToolError(at_line(path_, line_) + ": " + e.what());
        }
        const std::size_t columns = complex_ ? 2 * paths_ : paths_;
        if (fields.size() != columns)
            throw ToolError(at_line(path_, line_) + ": expected " + std::to_string(columns) +
                            (complex_ ? " values (re and im per path)" : " values (one per path)") + ", found " +
                            std::to_string(fields.size()));
        golden_.assign(fields.begin(), fields.end());
        return true;
    }
    if (in_.bad())
        throw ToolError("error while reading golden file '" + path_ + "'");
    ended_ = true;
    return false;
}

bool GoldenComparer::same_value(const std::string& model, const std::string& golden)
{
    if (format_ == SampleFormat::Real) {
        double m = 0.0;
        double g = 0.0;
        if (!parse_double(golden, g))
            throw ToolError(at_line(path_, line_) + ": not a finite number: '" + golden + "'");
        parse_double(model, m);
        return m == g;
    }
    if (golden.empty() || mpz_set_str(golden_int_, int_digits(golden), 10) != 0)
        throw ToolError(at_line(path_, line_) + ": not an integer: '" + golden + "' (--format int)");
    mpz_set_str(model_int_, model.c_str(), 10);
    return mpz_cmp(model_int_, golden_int_) == 0;
}

void GoldenComparer::compare_slot(const std::vector<std::string>& fields, std::uint64_t vector, std::size_t slot)
{
    if (!next_data_line()) {
        ++extra_model_slots_;
        return;
    }
    ++slots_;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        ++samples_;
        if (same_value(fields[i], golden_[i]))
            continue;
        if (differing_++ == 0) {
            std::string where = "vector " + std::to_string(vector) + ", path " +
                                std::to_string(complex_ ? i / 2 : i) + (complex_ ? (i % 2 ? " (im)" : " (re)") : "") +
                                ", slot " + std::to_string(slot);
            first_mismatch_ = "first mismatch: " + where + " (" + at_line(path_, line_) + "): expected " +
                              golden_[i] + ", got " + fields[i];
        }
    }
}

bool GoldenComparer::finish()
{
    while (next_data_line()) {
        if (extra_golden_lines_++ == 0)
            first_extra_golden_line_ = line_;
    }
    return differing_ == 0 && extra_model_slots_ == 0 && extra_golden_lines_ == 0;
}

void GoldenComparer::report(std::FILE* out) const
{
    std::string text = "compared " + count_of(samples_, "sample", "samples") + " (" +
                       count_of(slots_, "output slot", "output slots") + ") with " + path_ + ": ";
    if (differing_ == 0)
        text += "all equal\n";
    else
        text += count_of(differing_, "differs", "differ") + "\n" + first_mismatch_ + "\n";
    if (extra_model_slots_ != 0)
        text += path_ + " has only " + count_of(slots_, "data line", "data lines") + ", but the model produced " +
                count_of(extra_model_slots_, "more output slot", "more output slots") + "\n";
    if (extra_golden_lines_ != 0)
        text += path_ + " has " + count_of(extra_golden_lines_, "more data line", "more data lines") +
                " than the model produced, from line " + std::to_string(first_extra_golden_line_) + "\n";
    std::fputs(text.c_str(), out);
}

}  // namespace zebtool
