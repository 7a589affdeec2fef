// geoplaces: writes the places of Japan that GeoNames knows (libgeonames), one a line:
// name, prefecture, latitude, longitude, population, separated by tabs, in UTF-8, with
// the Japanese names of the library's translations.
#include <geonames.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main()
{
    // The library translates names through the message catalogue of the language asked for.
    setenv("LANGUAGE", "ja", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    const int n = geonames_get_n_cities();
    int written = 0;
    for (int i = 0; i < n; ++i) {
        GeonamesCity* city = geonames_get_city(i);
        if (!city)
            continue;
        if (std::strcmp(geonames_city_get_country_code(city), "JP") == 0) {
            std::printf("%s\t%s\t%.6f\t%.6f\t%u\n", geonames_city_get_name(city),
                        geonames_city_get_state(city), geonames_city_get_latitude(city),
                        geonames_city_get_longitude(city), geonames_city_get_population(city));
            ++written;
        }
        geonames_city_free(city);
    }
    if (written == 0) {
        std::fprintf(stderr, "geoplaces: no places of Japan in the GeoNames data\n");
        return 1;
    }
    return 0;
}
