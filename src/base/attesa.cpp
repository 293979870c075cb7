#include "base/attesa.h"

namespace {
Attesa::Hook g_hook;
}

void Attesa::setHook(Hook hook)
{
    g_hook = std::move(hook);
}

Attesa::Clessidra::Clessidra()
{
    if (g_hook)
        g_hook(true);
}

Attesa::Clessidra::~Clessidra()
{
    if (g_hook)
        g_hook(false);
}
