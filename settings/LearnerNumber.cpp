#include "settings/LearnerNumber.h"

#include "settings/Cp932.h"

#include <cstdint>

namespace rentabo {

int indivNumOf(const QString& name) {
    std::uint64_t sum = 0;
    for (const char byte : toCp932(name))
        sum += static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<std::int8_t>(byte)));
    return static_cast<int>(static_cast<std::uint32_t>(sum));
}

}  // namespace rentabo
