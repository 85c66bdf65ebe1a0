// zrv-genstore: writes a navigation store file for the store benchmark.
//
//   zrv-genstore --waypoints N --routes M [--route-length L] -o FILE
#include "bench/StoreGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    int waypoints = 100000;
    int routes = 1000;
    int routeLength = 20;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--waypoints") == 0 && hasValue) {
            waypoints = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--routes") == 0 && hasValue) {
            routes = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--route-length") == 0 && hasValue) {
            routeLength = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "-o") == 0 && hasValue) {
            output = argv[++i];
        } else {
            output = nullptr;
            break;
        }
    }
    if (output == nullptr || waypoints < 0 || routes < 0 || routeLength < 0) {
        std::fprintf(stderr, "usage: zrv-genstore --waypoints N --routes M [--route-length L] "
                             "-o FILE\n");
        return 2;
    }
    const std::string text = GenerateStoreText(waypoints, routes, routeLength);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "zrv-genstore: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
