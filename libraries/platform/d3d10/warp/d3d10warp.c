/* The software rasteriser module ("d3d10warp.dll" loads as libd3d10warp.so): loading it is how a
   program asks for the software device, and it names the Mesa driver that device forces. */
const char* DuskSoftwareRasterizer(void) { return "llvmpipe"; }
