#pragma once

#include <functional>

// The hourglass pointer of long commands.  The core only says when work starts
// and ends; the window layer decides how to show it (installTools sets the hook).
namespace Attesa {

// Called with true when a long piece of work starts and false when it ends.
using Hook = std::function<void(bool busy)>;
void setHook(Hook hook);

// Shows the hourglass for the life of the object.  Nested guards are fine.
class Clessidra
{
public:
    Clessidra();
    ~Clessidra();
    Clessidra(const Clessidra &) = delete;
    Clessidra &operator=(const Clessidra &) = delete;
};

} // namespace Attesa
