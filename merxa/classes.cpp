// The classes of the merxa in-process server.
#include "basket/basket.h"
#include "platform/server.h"

MERXA_SERVER({"Merxa.Basket", "{6E0B51C2-3A7D-4F0E-9C1B-2B8D4A1E7C01}",
              [] { return platform::makeObject<merxa::Basket>(); }})
