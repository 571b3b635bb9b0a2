# The session-bus activation files of the log service: the bus starts the program on the first
# call to any of its names. Used for the build folder at configure time and for an installed tree
# at install time.
function(zu_write_logservice_activation folder program)
  foreach(name OBU_LogSystem.Service_Info OBU_LogSystem.Service_Config OBU_LogSystem.Service_Work)
    file(WRITE "${folder}/${name}.service"
"[D-BUS Service]
Name=${name}
Exec=${program} --foreground
")
  endforeach()
endfunction()
