#include "hunt/number_record.h"

#include "hunt/class_names.h"
#include "hunt/csv_field.h"
#include "hunt/iso_time.h"

namespace qorvex::hunt {

std::string number_csv_header() {
    return csv_record({"target", "number", "classes", "first_seen", "last_seen", "times_seen"});
}

std::string number_csv_record(const NumberRow& row) {
    return csv_record({row.target, std::to_string(row.number), class_list(row.classes),
                       iso_time_text(row.first_seen), iso_time_text(row.last_seen),
                       std::to_string(row.times_seen)});
}

}  // namespace qorvex::hunt
