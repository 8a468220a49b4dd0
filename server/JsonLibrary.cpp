// Boost.JSON's compiled part, built here once: Debian's Boost ships JSON as
// headers, so no library needs to be installed for it.
#include <boost/json/src.hpp>
