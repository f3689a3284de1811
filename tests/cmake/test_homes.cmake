# Run by the test_homes test before the others: empties ROOT and makes the
# home, config, data and cache folders of every test named in NAMES.
file(REMOVE_RECURSE "${ROOT}")
foreach(name IN LISTS NAMES)
  foreach(folder home config data cache)
    file(MAKE_DIRECTORY "${ROOT}/${name}/${folder}")
  endforeach()
endforeach()
