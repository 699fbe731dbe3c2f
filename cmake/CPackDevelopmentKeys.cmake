# Read by cpack before it makes a package (CPACK_PROJECT_CONFIG_FILE). A build
# that embeds a development key makes no package unless asked to, with
# -DTVX_ALLOW_DEVELOPMENT_KEYS=ON at configure time or on the cpack command
# line. Its version carries "~devkeys" either way (Packaging.cmake).
if(CPACK_TVX_DEVELOPMENT_KEYS)
  if(NOT (CPACK_TVX_ALLOW_DEVELOPMENT_KEYS OR TVX_ALLOW_DEVELOPMENT_KEYS))
    list(JOIN CPACK_TVX_DEVELOPMENT_KEYS " and the " named)
    message(FATAL_ERROR "This build embeds the development ${named} of "
      "res/keys/development: its packages would accept firmware anyone can sign. "
      "Configure with -DTVX_PACKAGE_VERIFY_KEY=<public key .pem> and "
      "-DTVX_CONTENT_KEY=<hex file> for a release, or pass "
      "-DTVX_ALLOW_DEVELOPMENT_KEYS=ON for a package marked as a development one.")
  endif()
endif()
