#pragma once

namespace gloamery::batch {

// Maps the program's own code and static tables, and the maths library's,
// in one call each. Each of their pages is otherwise mapped at its first
// use, one fault at a time, and on a virtual machine those faults made the
// first run of an operation take twice as long as the next: the first sine
// of "Sin func" alone met five of them in the library. Harmless where the
// system does not know the request.
void mapOwnPages();

} // namespace gloamery::batch
