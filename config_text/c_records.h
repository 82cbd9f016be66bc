// The records zeb-fir and the DPI layer create, owned through
// interface/records.h: a record the library cannot allocate is a ToolError.
#ifndef ZEB_CONFIG_TEXT_C_RECORDS_H
#define ZEB_CONFIG_TEXT_C_RECORDS_H

#include <string>

#include "interface/records.h"
#include "tool_error.h"

namespace zebtool {

using ModelHandle = zeb_records::Owned<zeb_fir_v7_1>;

template <typename R>
zeb_records::Owned<R> make_record() {
    zeb_records::Owned<R> record = zeb_records::make<R>();
    if (!record) throw ToolError(std::string("out of memory creating a ") + zeb_records::Family<R>::name + " record");
    return record;
}

}  // namespace zebtool

#endif
