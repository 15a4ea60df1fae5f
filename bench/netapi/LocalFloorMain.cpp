// The floor program on its own: local_listing_floor ROOT > listing.txt

#include "bench/netapi/LocalFloor.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: local_listing_floor ROOT\n");
        return 2;
    }
    return localfloor::listAll(argv[1], STDOUT_FILENO);
}
