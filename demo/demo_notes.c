/* Demo Notes for Windows, a stand-in for the application being updated: says its version.
   scripts/demo.sh windows builds it twice, with DEMO_VERSION 1 and 2. */
#include <stdio.h>

int main(void) {
    printf("Demo Notes version %s\n", DEMO_VERSION);
    return 0;
}
