# Runs tvx-drive on a copy of the demo folder with the built-in scenario and
# checks that each demo package does what the demo promises.
# -DDRIVE=tvx-drive -DDEMO=<build>/demo -DWORK=<scratch folder>
# For tvx-drive.exe: -DRUNNER=wine, and -DPATH_PREFIX=Z: before the paths
# the program is given (the drive Wine shows this machine's root as).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(COPY ${DEMO}/ DESTINATION ${WORK})
set(failures 0)

function(fail message)
  message(SEVERE_ERROR "${message}")
  math(EXPR count "${failures} + 1")
  set(failures ${count} PARENT_SCOPE)
endfunction()

# Runs the lines of a script; `output` gets the transcript, `state` the last
# state object.
function(drive name script)
  file(WRITE ${WORK}/${name}.script "${script}")
  execute_process(COMMAND ${RUNNER} ${DRIVE} --scenario demo --lang en --dir ${PATH_PREFIX}${WORK}
                          ${PATH_PREFIX}${WORK}/${name}.script
                  OUTPUT_VARIABLE transcript RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: tvx-drive exited with ${rc}")
  endif()
  string(FIND "${transcript}" "{\"state\":" at REVERSE)
  string(SUBSTRING "${transcript}" ${at} -1 last)
  string(JSON last GET "${last}" state)
  set(output "${transcript}" PARENT_SCOPE)
  set(state "${last}" PARENT_SCOPE)
endfunction()

# Checks that member path `...` of the state contains `expected` (JSON true
# and false read as ON and OFF).
macro(expect_in name expected)
  string(JSON value GET "${state}" ${ARGN})
  string(FIND "${value}" "${expected}" found)
  if(found LESS 0)
    fail("${name}: ${ARGN} is '${value}', expected to contain '${expected}'")
  endif()
endmacro()

macro(expect_box name text)
  string(FIND "${output}" "${text}" found)
  if(found LESS 0)
    fail("${name}: no message box with '${text}'")
  endif()
endmacro()

# Whole upgrades, from the package step to Finish.
set(upgrade "next\nnext\nwait-idle\nstate\nfinish\n")
drive(upgrade470 "select 0\nnext\npackage vorn470-firmware-4-7-0.ppu\n${upgrade}")
expect_in(upgrade470 "ON" finished)
expect_in(upgrade470 "1" result)
expect_in(upgrade470 "Firmware Version: V 4.7.0" controls 1015 text)
expect_in(upgrade470 "(1/1)" controls 1024 text)

drive(upgrade460 "select 1\nnext\npackage vorn460-firmware-3-20-0.ppu\n${upgrade}")
expect_in(upgrade460 "ON" finished)
expect_in(upgrade460 "1" result)
expect_in(upgrade460 "Firmware Version: V 3.20.0" controls 1015 text)
expect_in(upgrade460 "(3/3)" controls 1024 text)
expect_in(upgrade460 "V 3.20.0  + Loader V 1.11.0" controls 1019 text)

# Refusals: the version check at the upgrade step, the model at the package step.
drive(refused "select 0\nnext\npackage vorn470-firmware-4-9-0-needs-4-8.ppu\nnext\nnext\nwait-idle\n")
expect_box(refused "current version cannot be upgraded with this PPU package")
expect_in(refused "OFF" finished)
expect_in(refused "OFF" controls 1010 enabled)
expect_in(refused "ON" controls 2 enabled)

drive(otherModel "select 0\nnext\npackage vorn480-firmware-1-2-0.ppu\nnext\nstate\n")
expect_box(otherModel "Product ID does not match!")
expect_in(otherModel "1" step)

# The batch folder: every name of its TVXUpgrade.ini is a package there.
file(READ ${WORK}/batch/TVXUpgrade.ini batch)
string(STRIP "${batch}" batch)
string(REPLACE "." ";" names "${batch}")
list(REMOVE_ITEM names "")
list(LENGTH names count)
if(NOT count EQUAL 2)
  fail("batch: TVXUpgrade.ini names ${count} packages, expected 2")
endif()
foreach(name ${names})
  if(NOT EXISTS ${WORK}/batch/${name}.ppu)
    fail("batch: ${name}.ppu named in TVXUpgrade.ini is missing")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} demo check(s) failed")
endif()
